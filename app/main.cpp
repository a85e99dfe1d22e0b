// SPDX-License-Identifier: MIT
#include "app/frm_specan.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KorlanSpecAn"));
    QApplication::setApplicationVersion(QStringLiteral(KORLAN_VERSION));
    app::frmSpecAn window;
    window.Form_Load(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
