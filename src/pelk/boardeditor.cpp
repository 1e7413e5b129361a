#include "pelk/boardeditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <bit>

#include "pelk/boardeditorwidget.h"

namespace {

// What each condition box says, and its keyword as the tool tip.
struct FlagLabel {
    BoardQuery::Flag flag;
    const char* text;
};
constexpr FlagLabel kConditions[] = {
    {BoardQuery::Check, "&Check"},
    {BoardQuery::NoCheck, "&No check"},
    {BoardQuery::Mate, "&Mate"},
    {BoardQuery::Stalemate, "S&talemate"},
};
constexpr FlagLabel kTransforms[] = {
    {BoardQuery::Flip, "Turned and mirrored, all 8 ways"},
    {BoardQuery::FlipColor, "Colours swapped"},
    {BoardQuery::FlipHorizontal, "Mirrored top to bottom"},
    {BoardQuery::FlipVertical, "Mirrored left to right"},
    {BoardQuery::Shift, "Shifted anywhere"},
    {BoardQuery::ShiftHorizontal, "Shifted along the ranks"},
    {BoardQuery::ShiftVertical, "Shifted along the files"},
};
constexpr FlagLabel kSearch[] = {
    {BoardQuery::Variations, "In &variations too"},
    {BoardQuery::MarkAll, "Mark every matching &position"},
};

}  // namespace

BoardEditor::BoardEditor(QWidget* parent)
    : QDialog(parent),
      board_(new BoardEditorWidget(this)),
      side_(new QButtonGroup(this)),
      moveNumber_(new QCheckBox(QStringLiteral("Move n&umber"), this)),
      moveFrom_(new QSpinBox(this)),
      moveTo_(new QSpinBox(this)),
      sets_(new QListWidget(this)),
      kept_(new QPlainTextEdit(this)),
      preview_(new QLineEdit(this)),
      insert_(new QPushButton(QStringLiteral("&Insert"), this)) {
    setWindowTitle(QStringLiteral("Board - Pelk"));

    auto box = [this](const FlagLabel& label) {
        auto* check = new QCheckBox(QString::fromUtf8(label.text), this);
        check->setToolTip(BoardQuery::keyword(label.flag));
        flags_[label.flag] = check;
        connect(check, &QCheckBox::toggled, this, &BoardEditor::fieldsChanged);
        return check;
    };

    auto* side = new QGroupBox(QStringLiteral("Side to move"), this);
    auto* sideLayout = new QHBoxLayout(side);
    const QStringList sides = {QStringLiteral("&Either"), QStringLiteral("&White"),
                               QStringLiteral("Blac&k")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(sides[i], side);
        // The buttons' ids are the core's colours: white, black, either.
        side_->addButton(radio, i == 0 ? NOCOLOR : i == 1 ? WHITE : BLACK);
        sideLayout->addWidget(radio);
    }
    side_->button(NOCOLOR)->setChecked(true);
    connect(side_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) fieldsChanged();
    });

    auto* conditions = new QGroupBox(QStringLiteral("Conditions"), this);
    auto* condLayout = new QGridLayout(conditions);
    for (int i = 0; i < 4; ++i) condLayout->addWidget(box(kConditions[i]), i / 2, i % 2);
    moveFrom_->setRange(0, 99999);
    moveTo_->setRange(-1, 99999);
    moveTo_->setSpecialValueText(QStringLiteral("-"));
    moveNumber_->setToolTip(QStringLiteral(":movenumber: the move number lies in this range"));
    moveTo_->setToolTip(QStringLiteral("The last move number; - for the first one alone"));
    auto* moves = new QHBoxLayout;
    moves->addWidget(moveNumber_);
    moves->addWidget(moveFrom_);
    moves->addWidget(new QLabel(QStringLiteral("to"), this));
    moves->addWidget(moveTo_);
    moves->addStretch();
    condLayout->addLayout(moves, 2, 0, 1, 2);
    connect(moveNumber_, &QCheckBox::toggled, this, &BoardEditor::fieldsChanged);
    connect(moveFrom_, &QSpinBox::valueChanged, this, &BoardEditor::fieldsChanged);
    connect(moveTo_, &QSpinBox::valueChanged, this, &BoardEditor::fieldsChanged);

    auto* transforms = new QGroupBox(QStringLiteral("Also find the position"), this);
    auto* trLayout = new QGridLayout(transforms);
    for (int i = 0; i < 7; ++i)
        trLayout->addWidget(box(kTransforms[i]), i < 4 ? i : i - 4, i < 4 ? 0 : 1);
    // Searching variations and marking every match go with the conditions.
    condLayout->addWidget(box(kSearch[0]), 3, 0, 1, 2);
    condLayout->addWidget(box(kSearch[1]), 4, 0, 1, 2);

    auto* setsBox = new QGroupBox(QStringLiteral("Square sets"), this);
    auto* setsLayout = new QVBoxLayout(setsBox);
    sets_->setToolTip(QStringLiteral(
        "Designators of several squares: Shift+drag on the board selects the squares, then "
        "choose their piece in the tray"));
    auto* removeSet = new QPushButton(QStringLiteral("&Remove"), this);
    setsLayout->addWidget(sets_);
    setsLayout->addWidget(removeSet, 0, Qt::AlignRight);
    connect(removeSet, &QPushButton::clicked, this, [this] {
        const int row = sets_->currentRow();
        if (row < 0) return;
        board_->query().removeDesignator(sets_->item(row)->data(Qt::UserRole).toInt());
        board_->update();
        showQuery();
    });

    auto* keptBox = new QGroupBox(QStringLiteral("Kept as text"), this);
    auto* keptLayout = new QVBoxLayout(keptBox);
    kept_->setToolTip(QStringLiteral(
        "The parts of the list the board does not show: written back as they stand"));
    kept_->setTabChangesFocus(true);
    keptLayout->addWidget(kept_);
    connect(kept_, &QPlainTextEdit::textChanged, this, &BoardEditor::fieldsChanged);

    sets_->setMaximumHeight(80);
    kept_->setMaximumHeight(80);

    auto* right = new QVBoxLayout;
    right->addWidget(side);
    right->addWidget(conditions);
    right->addWidget(transforms);
    right->addStretch();

    auto* hint = new QLabel(
        QStringLiteral("Click a piece in the tray, then squares; drag pieces; Ctrl+click adds a "
                       "choice; right click clears; Shift+drag selects squares for one piece."),
        this);
    hint->setWordWrap(true);
    hint->setMaximumWidth(board_->width());
    auto* left = new QVBoxLayout;
    left->addWidget(board_, 0, Qt::AlignLeft | Qt::AlignTop);
    left->addWidget(hint);
    left->addStretch();

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addLayout(left);
    top->addLayout(right, 1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(setsBox, 1);
    lists->addWidget(keptBox, 1);

    preview_->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    auto* clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    buttons->addButton(insert_, QDialogButtonBox::AcceptRole);
    // Escape closes too; Alt+C belongs to Check.
    buttons->addButton(QDialogButtonBox::Close)->setText(QStringLiteral("Close"));
    insert_->setDefault(true);
    insert_->setToolTip(QStringLiteral(
        "Insert the list at the caret, or in place of the position list the caret is in"));
    connect(clear, &QPushButton::clicked, this, [this] { load(BoardQuery()); });
    connect(insert_, &QPushButton::clicked, this, [this] { emit insertRequested(text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addLayout(top);
    layout->addLayout(lists);
    layout->addWidget(preview_);
    layout->addWidget(buttons);

    connect(board_, &BoardEditorWidget::changed, this, &BoardEditor::showQuery);
    load(BoardQuery());
}

void BoardEditor::load(const BoardQuery& query) {
    loading_ = true;
    board_->setQuery(query);
    side_->button(query.sideToMove())->setChecked(true);
    for (int f = 0; f < BoardQuery::FlagCount; ++f)
        flags_[f]->setChecked(query.flag(BoardQuery::Flag(f)));
    moveNumber_->setChecked(query.moveMin() >= 0);
    moveFrom_->setValue(query.moveMin() >= 0 ? query.moveMin() : 1);
    moveTo_->setValue(query.moveMax());
    kept_->setPlainText(query.keptText());
    loading_ = false;
    showQuery();
}

BoardQuery BoardEditor::query() const {
    return board_->query();
}

void BoardEditor::fieldsChanged() {
    if (loading_) return;
    BoardQuery& q = board_->query();
    q.setSideToMove(colorT(side_->checkedId()));
    for (int f = 0; f < BoardQuery::FlagCount; ++f)
        q.setFlag(BoardQuery::Flag(f), flags_[f]->isChecked());
    moveFrom_->setEnabled(moveNumber_->isChecked());
    moveTo_->setEnabled(moveNumber_->isChecked());
    if (moveNumber_->isChecked()) {
        q.setMoveNumbers(moveFrom_->value(), moveTo_->value());
    } else {
        q.setMoveNumbers(-1, -1);
    }
    q.setKeptText(kept_->toPlainText().trimmed());
    showQuery();
}

void BoardEditor::showQuery() {
    const BoardQuery& q = board_->query();
    sets_->clear();
    const QList<BoardDesignator>& all = q.designators();
    for (int i = 0; i < all.size(); ++i) {
        if (std::popcount(all[i].squares) < 2) continue;
        auto* item = new QListWidgetItem(BoardQuery::designatorText(all[i]), sets_);
        item->setData(Qt::UserRole, i);
    }
    moveFrom_->setEnabled(moveNumber_->isChecked());
    moveTo_->setEnabled(moveNumber_->isChecked());
    QString list = q.toText();
    preview_->setText(list.replace(u'\n', u' '));
}
