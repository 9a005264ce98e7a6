#pragma once

#include <QIcon>
#include <QString>

namespace gestiva {

// The application's icon at every size it is drawn at, from the resources built into the program.
QIcon applicationIcon();

// The name of the desktop entry, which the desktop matches to the program's windows.
QString applicationId();

} // namespace gestiva
