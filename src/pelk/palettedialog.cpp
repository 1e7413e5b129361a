#include "pelk/palettedialog.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kHint = QStringLiteral(
    "Move HUX structure to Editor: Click or Enter for a long version, Click+Alt or Space for a "
    "short version.");

}  // namespace

PaletteDialog::PaletteDialog(QWidget* parent) : QDialog(parent), grid_(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("HUX Palette"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setFrameShape(QFrame::NoFrame);
    grid_->setToolTip(kHint);
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);

    auto* hint = new QLabel(kHint, this);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->addWidget(grid_);
    layout->addWidget(hint);
}

int PaletteDialog::columnWidth(int screenWidth) {
    return screenWidth >= 900 ? 90 : 75;
}

void PaletteDialog::build(const Palette& palette, int screenWidth) {
    if (built_) return;
    built_ = true;
    const QList<QStringList> columns = palette.columns();
    const int rows = palette.rowCount();
    const int width = columnWidth(screenWidth);
    const QFontMetrics metrics(grid_->font());
    grid_->setColumnCount(int(columns.size()));
    grid_->setRowCount(rows);
    int gridWidth = 0;
    for (int c = 0; c < columns.size(); c++) {
        // A column is as wide as its longest label, so that none is cut.
        int columnWidth = width;
        for (int r = 0; r < rows; r++) {
            const QString label = r < columns[c].size() ? columns[c][r] : QString();
            columnWidth = std::max(columnWidth, metrics.horizontalAdvance(label) + kCellPadding);
            auto* item = new QTableWidgetItem(label);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            // The tool tip says what the cell means and takes.
            item->setToolTip(palette.explanation(c, r));
            grid_->setItem(r, c, item);
        }
        grid_->setColumnWidth(c, columnWidth);
        gridWidth += columnWidth;
    }
    for (int r = 0; r < rows; r++) grid_->setRowHeight(r, kRowHeight);
    const int gridHeight = rows * kRowHeight;
    // A grid wider than the screen scrolls sideways instead.
    const int room = std::max(width, screenWidth - 22 - 40);
    if (gridWidth > room) {
        grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        const int bar = grid_->horizontalScrollBar()->sizeHint().height();
        grid_->setFixedSize(room, gridHeight + bar);
        setFixedSize(room + 22, gridHeight + bar + 80);
        return;
    }
    grid_->setFixedSize(gridWidth, gridHeight);
    setFixedSize(gridWidth + 22, gridHeight + 80);
}

std::optional<PaletteChoice> PaletteDialog::choose(const PaletteChoice& current) {
    choice_ = current;
    if (grid_->rowCount() > 0 && grid_->columnCount() > 0) {
        grid_->setCurrentCell(std::min(current.row, grid_->rowCount() - 1),
                              std::min(current.column, grid_->columnCount() - 1));
    }
    grid_->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return choice_;
}

void PaletteDialog::chooseCurrent(bool shortForm) {
    if (grid_->currentRow() < 0 || grid_->currentColumn() < 0) return;
    choice_ = {grid_->currentColumn(), grid_->currentRow(), shortForm};
    accept();
}

bool PaletteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = grid_->indexAt(mouse->position().toPoint());
        if (index.isValid() && mouse->button() == Qt::LeftButton) {
            grid_->setCurrentCell(index.row(), index.column());
            chooseCurrent(mouse->modifiers() & Qt::AltModifier);
            return true;
        }
    }
    if (watched == grid_ && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            chooseCurrent(true);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            chooseCurrent(false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
