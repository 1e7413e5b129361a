// Colours the query language in the editor: comments, keywords, piece
// designators, numbers and parentheses, read line by line the way the
// engine's tokenizer reads them.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include "pelk/querytext.h"

class QueryHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

  public:
    explicit QueryHighlighter(QTextDocument* document);

    static QTextCharFormat formatFor(QueryToken::Kind kind);

  protected:
    void highlightBlock(const QString& text) override;
};
