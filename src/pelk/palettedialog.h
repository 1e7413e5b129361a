// The keyword palette window: a grid of labels from the palette file. A click
// or Enter chooses the current cell in its long form, Alt+click or Space in
// its short form; Escape or closing the window chooses nothing.
#pragma once

#include <QDialog>
#include <optional>

#include "pelk/palette.h"

class QTableWidget;

class PaletteDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kRowHeight = 20;
    // Room beside a label within its cell.
    static constexpr int kCellPadding = 12;

    explicit PaletteDialog(QWidget* parent = nullptr);

    // Fills the grid; only the first call does anything, as the palette is
    // read once. Columns are at least columnWidth() wide, wider where a label
    // needs it; each cell's tool tip explains it.
    void build(const Palette& palette, int screenWidth);
    bool isBuilt() const { return built_; }

    // Shows the palette modally with `current` as the current cell.
    std::optional<PaletteChoice> choose(const PaletteChoice& current);

    // The choice made by the last key or click, valid once accepted.
    const PaletteChoice& choice() const { return choice_; }
    QTableWidget* grid() const { return grid_; }

    // Narrow screens get narrower columns.
    static int columnWidth(int screenWidth);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chooseCurrent(bool shortForm);

    QTableWidget* grid_;
    PaletteChoice choice_;
    bool built_ = false;
};
