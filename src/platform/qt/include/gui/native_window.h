#pragma once
// What stands behind a control on Qt: its widget, watched so that a deleted one reads as null.

#include <QPointer>
#include <QWidget>

namespace platform {

using NativeWindow = QWidget*;
using ControlRef = QPointer<QWidget>;

}  // namespace platform
