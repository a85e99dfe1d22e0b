// SPDX-License-Identifier: MIT
#include "app/msg_box.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {
MsgBoxAnswerer g_answerer;
}

void setMsgBoxAnswerer(MsgBoxAnswerer answerer) {
    g_answerer = std::move(answerer);
}

MsgBoxAnswer MsgBox(const QString& text, MsgBoxButtons buttons, const QString& title) {
    if (g_answerer)
        return g_answerer({text, buttons, title});
    const QString caption = title.isEmpty() ? QApplication::applicationName() : title;
    if (buttons == MsgBoxButtons::Ok) {
        QMessageBox::information(QApplication::activeWindow(), caption, text);
        return MsgBoxAnswer::Ok;
    }
    const auto answer = QMessageBox::question(QApplication::activeWindow(), caption, text,
                                              QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

} // namespace app
