// Helpers for tests that read games: a PgnParser over text held in memory,
// and a loop over the games of such a text.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"

class PgnReader {
  public:
    explicit PgnReader(std::string text, const char* name = "test.pgn") : text_(std::move(text)) {
        file_.OpenMemory(text_.data(), text_.size(), name);
        parser_ = std::make_unique<PgnParser>(&file_);
    }
    PgnParser& parser() { return *parser_; }
    errorT next(Game& game) { return parser_->ParseGame(&game); }
    std::string log() const { return parser_->ErrorMessages(); }

  private:
    std::string text_;
    MFile file_;
    std::unique_ptr<PgnParser> parser_;
};

// Reads every game of `pgn` and calls `each` with it, rewound.
inline void forEachGame(const std::string& pgn, const std::function<void(Game&)>& each) {
    PgnReader reader(pgn, "games");
    Game game;
    while (reader.next(game) != ERROR_NotFound) {
        game.MoveToPly(0);
        each(game);
    }
}
