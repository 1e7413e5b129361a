// The board editor's window: the board with its tray, and beside it the
// conditions of the position list (side to move, check, mate, stalemate, the
// move numbers, the transforms, variations and marking), the square sets, the
// parts of the list the board cannot show, kept as text, and the list as it
// will be inserted. Insert hands the list to the query editor.
#pragma once

#include <QDialog>
#include <array>

#include "pelk/boardquery.h"

class BoardEditorWidget;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class BoardEditor : public QDialog {
    Q_OBJECT

  public:
    explicit BoardEditor(QWidget* parent = nullptr);

    // Shows a position list on the board; the conditions follow it.
    void load(const BoardQuery& query);
    // The list as the board and the fields make it.
    BoardQuery query() const;
    QString text() const { return query().toText(); }

    BoardEditorWidget* board() const { return board_; }
    QCheckBox* flagBox(BoardQuery::Flag f) const { return flags_[f]; }
    QButtonGroup* sideToMove() const { return side_; }
    QSpinBox* moveFrom() const { return moveFrom_; }
    QSpinBox* moveTo() const { return moveTo_; }
    QPlainTextEdit* keptText() const { return kept_; }
    QLineEdit* preview() const { return preview_; }
    QListWidget* squareSets() const { return sets_; }
    QPushButton* insertButton() const { return insert_; }

  signals:
    // Insert: the list goes into the query at the caret, or in place of the
    // position list there.
    void insertRequested(const QString& list);

  private:
    void fieldsChanged();
    void showQuery();

    BoardEditorWidget* board_;
    std::array<QCheckBox*, BoardQuery::FlagCount> flags_{};
    QButtonGroup* side_;
    QCheckBox* moveNumber_;
    QSpinBox* moveFrom_;
    QSpinBox* moveTo_;
    QListWidget* sets_;
    QPlainTextEdit* kept_;
    QLineEdit* preview_;
    QPushButton* insert_;
    bool loading_ = false;
};
