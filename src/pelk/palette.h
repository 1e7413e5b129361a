// The keyword palette file: a grid of short labels and, for every cell, the
// query text it inserts. Everything here is plain text work, so the editor's
// widgets and the tests share one implementation.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Which cell the user picked last, and in which form; it persists between
// uses of the palette and New resets it.
struct PaletteChoice {
    int column = 0;
    int row = 0;
    bool shortForm = false;
};

class Palette {
  public:
    // An empty palette: no columns, and every cell inserts nothing.
    Palette() = default;
    explicit Palette(QStringList lines);

    // The first of the directories that holds a "pelk.pal"; "" when none does.
    static QString find(const QStringList& directories);

    // Reads a palette file (UTF-8, any line ends); false with a message when
    // it cannot be read.
    static bool load(const QString& path, Palette* palette, QString* error);

    const QStringList& lines() const { return lines_; }
    int gridFirst() const { return gridFirst_; }
    int gridLast() const { return gridLast_; }
    int textFirst() const { return textFirst_; }
    int textLast() const { return textLast_; }

    // The labels of every column, top row first.
    QList<QStringList> columns() const;
    // Rows down to the lowest non-empty label of any column.
    int rowCount() const;

    // First and last palette line of a cell's text; last < first when the
    // cell has none.
    struct Range {
        int first = 0;
        int last = -1;
    };
    Range textRange(int column, int row) const;

    // The query text a cell inserts: the long form keeps comments and starts
    // every further line with a line break and the indentation; the short
    // form drops comments and joins the lines into one.
    QString insertion(int column, int row, bool shortForm, const QString& indentation) const;

    // One line of the grid section split into labels: items are separated by
    // commas or blanks, and a double-quoted item may hold both ("" inside
    // quotes is a quote).
    static QStringList splitLabels(const QString& line);

    // Blanks that line up inserted continuation lines with the caret. Line
    // breaks count as two characters, as in the palette files written for
    // the original platform, so the rule below is exact for those files.
    static QString indentation(const QString& text, int caret);

    // Where the caret goes inside freshly inserted text: right after its
    // first "(", so that the user goes on typing inside the structure, or
    // after the whole text when it has none, so that a second insertion
    // follows the first instead of landing before it.
    static int caretOffset(const QString& inserted);

    // A cell's text fitted into the editor's text at the caret, so that an
    // insertion never joins the words around it or comments out what
    // follows: a blank before it after a word, a blank after a short form
    // that a word follows directly (but a square glues to the piece before
    // it, and a piece to the square after it, when together they read as
    // one designator such as Qe4), and a line break with the indentation
    // after a long form when the caret's line goes on (its comment would
    // otherwise swallow the rest of the line).
    struct Placement {
        QString text;   // what goes into the editor
        int caret = 0;  // where the caret goes, counted from the start of text
    };
    static Placement place(const QString& inserted, bool shortForm, const QString& editorText,
                           int caret, const QString& indentation);

    // What a cell means, for its tool tip: its short form, then the
    // comments of its long form, one per line; "" when the cell has no text.
    QString explanation(int column, int row) const;

  private:
    QStringList lines_;
    int gridFirst_ = 0;
    int gridLast_ = -1;
    int textFirst_ = 0;
    int textLast_ = -1;
};
