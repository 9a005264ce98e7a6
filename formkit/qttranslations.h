#pragma once

class QCoreApplication;

namespace formkit {

// Qt's own texts (standard buttons, a field's context menu, the file and print dialogs) in
// French, from Qt's catalogue where this Qt keeps it, else from "translations" beside the
// program, where a Windows package carries it. False when neither has it: Qt then speaks English.
bool loadQtTranslations(QCoreApplication &application);

} // namespace formkit
