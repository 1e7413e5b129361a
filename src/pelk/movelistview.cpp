#include "pelk/movelistview.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QUrl>

#include "pelk/resultmarks.h"
#include "pelk/viewedgame.h"

namespace {

QString commentHtml(const QString& comment) {
    if (comment.isEmpty()) return {};
    QString html = comment.toHtmlEscaped();
    html.replace(QStringLiteral("MATCH2"), QStringLiteral("<b style=\"color:#2362c0\">MATCH2</b>"));
    // MATCH alone, not the start of MATCH2 set off just above.
    static const QRegularExpression match(QStringLiteral("\\bMATCH\\b(?!2)"));
    html.replace(match, QStringLiteral("<b style=\"color:#c83a22\">MATCH</b>"));
    return QStringLiteral(" <i style=\"color:#4a6a4a\">%1</i> ").arg(html);
}

}  // namespace

MoveListView::MoveListView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QString s = url.toString();
        if (s.startsWith(QLatin1String("n:"))) emit nodeClicked(s.mid(2).toInt());
    });
}

void MoveListView::show(const ViewedGame& game, int current) {
    QString html = QStringLiteral("<html><body style=\"line-height:135%\">");
    html += QStringLiteral("<p><b>%1 &ndash; %2</b> &nbsp;%3<br/>%4, %5 %6</p><p>")
                .arg(game.white.toHtmlEscaped(), game.black.toHtmlEscaped(), game.result,
                     game.event.toHtmlEscaped(), game.site.toHtmlEscaped(), game.date);
    const QVector<ViewedNode>& nodes = game.nodes();
    if (!nodes.isEmpty()) html += commentHtml(nodes[0].comment);
    bool numberNeeded = true;
    for (int i = 1; i < nodes.size(); ++i) {
        const ViewedNode& n = nodes[i];
        const ViewedNode& before = nodes[i - 1];
        const int closes = before.depth - n.depth + (n.variationStart ? 1 : 0);
        for (int k = 0; k < closes; ++k) html += QStringLiteral(" )</span>");
        if (n.variationStart) {
            html += QStringLiteral(" <span style=\"color:#555\">( ");
            html += commentHtml(n.preComment);
        }
        if (closes > 0 || n.variationStart) numberNeeded = true;
        QString number;
        if (!n.blackMoved) {
            number = QStringLiteral("%1.").arg(n.moveNumber);
        } else if (numberNeeded) {
            number = QStringLiteral("%1...").arg(n.moveNumber);
        }
        const QString style =
            i == current
                ? QStringLiteral(" style=\"background:#f2d23c;color:black;text-decoration:none\"")
            : n.marks != 0
                ? QStringLiteral(" style=\"color:black;font-weight:bold;text-decoration:none\"")
                : QStringLiteral(" style=\"color:black;text-decoration:none\"");
        html += QStringLiteral(" <a href=\"n:%1\"%2>%3%4</a>")
                    .arg(i)
                    .arg(style, number, n.san.toHtmlEscaped());
        html += commentHtml(n.comment);
        numberNeeded = !n.comment.isEmpty();
    }
    if (!nodes.isEmpty()) {
        for (int k = 0; k < nodes.last().depth; ++k) html += QStringLiteral(" )</span>");
    }
    html += QStringLiteral(" <b>%1</b></p></body></html>").arg(game.result);

    const int scroll = verticalScrollBar()->value();
    setHtml(html);
    verticalScrollBar()->setValue(scroll);
    if (current <= 0) return;
    // Bring the current move into view.
    const QString target = QStringLiteral("n:%1").arg(current);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() == target) {
                QTextCursor cursor(document());
                cursor.setPosition(fragment.position());
                setTextCursor(cursor);
                ensureCursorVisible();
                return;
            }
        }
    }
}
