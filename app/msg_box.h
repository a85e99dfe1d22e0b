// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

namespace app {

enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxAnswer { Ok, Yes, No };

struct MsgBoxCall {
    QString text;
    MsgBoxButtons buttons;
    QString title;
};

// The one routine that shows a message box and returns the answer.
MsgBoxAnswer MsgBox(const QString& text, MsgBoxButtons buttons, const QString& title = {});

// Tests answer message boxes through this instead of a dialog; an empty function restores the
// dialog.
using MsgBoxAnswerer = std::function<MsgBoxAnswer(const MsgBoxCall&)>;
void setMsgBoxAnswerer(MsgBoxAnswerer answerer);

} // namespace app
