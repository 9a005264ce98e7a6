#pragma once

#include <QString>

namespace sheetdialog {

// Where a save dialog opens: the user's documents folder (their home when it does not exist),
// then, while the program runs, the folder the last file was saved in, for as long as it exists.
class SaveFolder
{
public:
    QString startingFolder() const;
    void remember(const QString &savedFile);

private:
    QString m_lastFolder;
};

// The one every save dialog of this run shares.
SaveFolder &thisRunsSaveFolder();

} // namespace sheetdialog
