// Fixtures of the report tests: rows for the four templates as the reader gives them, with long
// Vietnamese texts, and a PDF read back through poppler. The long column of row r starts with
// the word "BẮTĐẦU<r>" and ends with "KẾTTHÚC<r>", so that the PDF tells where each row went.
#pragma once

#include "report.h"

#include <QRectF>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace samples {

struct Kind {
    QString file, key, source;  // the template, and what it asks the reader for
    QStringList headings;       // left to right
    int longColumn;             // the column that holds the markers
    QStringList fields;         // as the source spells them; the first is the long one
};
const Kind& KindAt(int i);  // 0 incoming, 1 outgoing, 2 calendar, 3 plans

QString Begin(int row);
QString End(int row);
// Every 23rd row long in every column, every 37th very long in its long column.
report::Table Rows(const Kind& kind, int rows);
QString DataFolder();

struct Word {
    QString text;
    QRectF box;  // points from the page's top-left corner
};
struct PdfPage {
    std::vector<Word> words;
    const Word* find(const QString& word) const;
    bool has(const QString& words) const;  // these words, one after the other
};
std::vector<PdfPage> ReadPdf(const QString& file);  // pdftotext -bbox
QStringList PdfFonts(const QString& file);          // pdffonts

}  // namespace samples
