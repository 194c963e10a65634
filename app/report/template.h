// Report templates: a small text format, UTF-8, one directive a line. Blank lines and lines whose
// first non-blank character is '#' are ignored.
//
//   source KEY TEXT                 the rows: KEY is temp, doc or plan (the data file); TEXT goes
//                                   to the reader unchanged (table name, saved query name or SQL)
//   paper SIZE ORIENTATION          A4, A3 or A5; portrait or landscape (default A4 portrait)
//   margins LEFT RIGHT TOP BOTTOM   in millimetres (default 15 10 10 10)
//   font POINTS                     body text size, 6 to 16 (default 9); everything is DejaVu Sans
//   left [bold] TEXT                a line of the block at the top left of the first page
//   title TEXT                      centred, large and bold, under the left block
//   subtitle TEXT                   centred, italic, under the title
//   column "HEADING" FIELD WIDTH [ALIGN] [yesno]
//                                   a column: FIELD is a field of the rows ("-" for an empty
//                                   column), WIDTH its share of the table's width, ALIGN left,
//                                   center or right (default left); yesno prints "X" for a true
//                                   value (-1, 1, true, yes) and nothing otherwise
//   footer TEXT                     centred at the foot of every page
//
// In the texts, {name} stands for the value of formula `name` (empty when it is not set), and in
// the footer {page} and {pages} for the page number and the number of pages.
#pragma once

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace report {

struct TextLine {
    QString text;
    bool bold = false;
};

struct Column {
    QString heading;
    QString field;  // empty: a column left blank for handwriting
    double width = 1;
    Qt::Alignment align = Qt::AlignLeft;
    bool yesNo = false;
    int line = 0;   // where the template declares it, for messages
};

struct Template {
    QString file;
    QString sourceKey;
    QString source;
    QPageSize::PageSizeId paper = QPageSize::A4;
    bool landscape = false;
    double marginLeft = 15, marginRight = 10, marginTop = 10, marginBottom = 10;  // millimetres
    double fontPoints = 9;
    std::vector<TextLine> left;
    QString title;
    QString subtitle;
    std::vector<Column> columns;
    QString footer;
};

// Throws ReportError naming the file (and the line, for a malformed directive).
Template ReadTemplate(const QString& path);
Template ParseTemplate(const QString& text, const QString& fileName);

// Replaces each {name} of `text` by value(name).
QString Substitute(const QString& text, const std::function<QString(const QString&)>& value);

}  // namespace report
