// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace app {

struct OpenFileCall {
    QString title;
    QString folder; // where the dialog opens
    QString filter; // "Scans (*.dat)"
};

// The one routine that asks for a file to open; an empty path when the user cancels.
QString GetOpenFileName(QWidget* parent, const OpenFileCall& call);

// Tests answer the question through this instead of a dialog; an empty function restores the
// dialog.
using OpenFileAnswerer = std::function<QString(const OpenFileCall&)>;
void setOpenFileAnswerer(OpenFileAnswerer answerer);

} // namespace app
