#pragma once

#include "sheet.h"

#include <QString>

class QCommandLineParser;

// gestiva --sheet (--dr DATE | --dg DATE) [--today DATE] [--children N] [--fetuses N]
//                 [--format text|html|pdf|ics] [--output FILE]
namespace sheet {

void addCommandLineOptions(QCommandLineParser &parser);

struct Command
{
    Request request;
    QString format; // text, html, pdf or ics
    QString output; // "-" for standard output
};

struct ReadCommand
{
    std::optional<Command> command; // none: the window is wanted
    QString problem; // one line for standard error; not empty when the options are wrong
};

ReadCommand readCommand(const QCommandLineParser &parser, dating::Date today);

// PDF and HTML draw the timeline, which needs fonts and so a GUI application (offscreen will do).
bool needsPainting(const Command &command);

// Writes the sheet in full, or nothing at all: the problem, or an empty string.
QString runCommand(const Command &command);

} // namespace sheet
