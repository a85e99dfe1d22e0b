// SPDX-License-Identifier: MIT
#include "app/file_dialog.h"

#include <QFileDialog>

namespace app {

namespace {
OpenFileAnswerer g_answerer;
}

void setOpenFileAnswerer(OpenFileAnswerer answerer) {
    g_answerer = std::move(answerer);
}

QString GetOpenFileName(QWidget* parent, const OpenFileCall& call) {
    if (g_answerer)
        return g_answerer(call);
    return QFileDialog::getOpenFileName(parent, call.title, call.folder, call.filter);
}

} // namespace app
