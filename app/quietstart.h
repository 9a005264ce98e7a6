#pragma once

#include <QtGlobal>

// While it lives, Qt's warning that XDG_RUNTIME_DIR is unset is dropped; every other message goes
// where it went before. Qt looks for a sandbox's marker in that folder whenever a GUI application
// starts, and warns where the variable is unset (over ssh, from cron), though the sheet needs no
// such folder: its command line keeps standard error for its own lines.
class QuietRuntimeDirNotice
{
public:
    QuietRuntimeDirNotice();
    ~QuietRuntimeDirNotice();
    QuietRuntimeDirNotice(const QuietRuntimeDirNotice &) = delete;
    QuietRuntimeDirNotice &operator=(const QuietRuntimeDirNotice &) = delete;
};
