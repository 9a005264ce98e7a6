// Presses Notes once, in a process of its own, so that GIO reads the desktop set up for it:
// notes_opener JOURNAL stamps JOURNAL at 8 December 2026, 14:05:09, opens it in the desktop's
// text editor and prints what the help line would say.
#include "notes/notes.h"

#include "fixedclock.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: notes_opener JOURNAL\n", stderr);
        return 2;
    }
    const FixedClock clock(tuesdayAfternoon);
    std::puts(notes::OuvrirNotes(QFile::decodeName(argv[1]), clock).toUtf8().constData());
    return 0;
}
