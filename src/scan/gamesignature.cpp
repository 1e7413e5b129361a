#include "scan/gamesignature.h"

#include <algorithm>

#include "core/game.h"
#include "core/position.h"
#include "filter/squareset.h"

using namespace gameindex;

namespace {

int kindOf(pieceT piece) {
    return piece_Color_NotEmpty(piece) * 6 + piece_Type(piece) - 1;
}

uint16_t kindFlags(pieceT promote) {
    return promote == EMPTY || promote == END_OF_BOARD
               ? 0
               : uint16_t(kPromotion | (piece_Type(promote) == QUEEN ? 0 : kUnderPromotion));
}

}  // namespace

bool GameSignature::sign(Game& game, GameRecord& r, std::vector<uint8_t>& moves) {
    const bool followedWhole =
        following && depth == 0 && game.GetVarLevel() == 0 && game.AtVarEnd();
    // Until the next game is started, nothing is followed: a walk moves
    // through the tree, it does not build it.
    following = false;
    if (followedWhole) {
        noteLineEnd(*game.GetCurrentPos(), false);
        finish();
        r.flags = followed.flags;
        std::copy(std::begin(followed.material), std::end(followed.material),
                  std::begin(r.material));
        r.promotions = followed.promotions;
        r.pawnsLeft = followed.pawnsLeft;
        std::copy(std::begin(followed.pawnOrder), std::end(followed.pawnOrder),
                  std::begin(r.pawnOrder));
        std::copy(std::begin(followed.squares), std::end(followed.squares), std::begin(r.squares));
        r.movesLength = followed.movesLength;
        moves.insert(moves.end(), followedMoves.begin(), followedMoves.end());
    } else {
        game.MoveToPly(0);
        begin(*game.GetCurrentPos(), r, moves);
        walkLine(game, false);
        finish();
        game.MoveToPly(0);
    }
    if (game.HasNonStandardStart()) r.flags |= kFenStart;
    return followedWhole;
}

void GameSignature::begin(const Position& start, GameRecord& r, std::vector<uint8_t>& moves) {
    record = &r;
    out = &moves;
    movesStart = moves.size();
    packed = true;
    r.flags = 0;
    r.promotions = 0;
    r.pawnsLeft = 0;
    std::fill(std::begin(r.pawnOrder), std::end(r.pawnOrder), 0);
    // A piece stands on a square in the starting position or after a move
    // to it: the moves add what the start does not hold.
    for (pieceT p : {WK, WQ, WR, WB, WN, WP, BK, BQ, BR, BB, BN, BP})
        squares[kindOf(p)] = start.GetPieceSet(p);
    home = 0;
    for (int file = 0; file < 8; file++) {
        if (start.GetPiece(squareT(8 + file)) == WP) home |= 1u << file;
        if (start.GetPiece(squareT(48 + file)) == BP) home |= 1u << (8 + file);
    }
}

void GameSignature::finish() {
    std::copy(std::begin(squares), std::end(squares), std::begin(record->squares));
    if (packed) {
        record->flags |= kPacked;
        record->movesLength = uint32_t(out->size() - movesStart);
    } else {
        out->resize(movesStart);
        record->movesLength = 0;
    }
}

void GameSignature::movesCleared(const Position& start) {
    following = true;
    depth = 0;
    followedMoves.clear();
    begin(start, followed, followedMoves);
}

byte GameSignature::moveAdded(Position& before, const simpleMoveT& move) {
    if (following) notePly(before, move, depth > 0);
    return 0;
}

void GameSignature::variationEntered() {
    if (!following) return;
    if (packed) out->push_back(movecode::kVariationStart);
    depth++;
}

void GameSignature::variationLeft(Position& end) {
    if (!following) return;
    if (depth == 0) {
        following = false;
        return;
    }
    noteLineEnd(end, true);
    if (packed) out->push_back(movecode::kVariationEnd);
    depth--;
}

void GameSignature::followingLost() {
    following = false;
}

void GameSignature::walkLine(Game& game, bool inVariation) {
    Position* pos = game.GetCurrentPos();
    for (;;) {
        if (game.AtVarEnd()) {
            noteLineEnd(*pos, inVariation);
            return;
        }
        notePly(*pos, game.GetCurrentMove()->moveData, inVariation);
        uint32_t variations = game.GetNumVariations();
        for (uint32_t v = 0; v < variations; v++) {
            if (game.MoveIntoVariation(v) != OK) break;
            if (packed) out->push_back(movecode::kVariationStart);
            walkLine(game, true);
            if (packed) out->push_back(movecode::kVariationEnd);
            game.MoveExitVariation();
        }
        if (game.MoveForward() != OK) return;
    }
}

// The steps below run once a ply each; inlined, because a call costs about
// as much as their work.
[[gnu::always_inline]] inline void GameSignature::notePly(Position& before, const simpleMoveT& move,
                                                          bool inVariation) {
    // A position without legal moves has no move after it but a pass: only
    // there can it be mate or stalemate.
    notePosition(before, inVariation, isNullMove(move));
    if (!inVariation) noteMainLine(before, false);
    if (packed && !packMove(before, move)) packed = false;
    noteMove(before, move, inVariation);
}

[[gnu::always_inline]] inline void GameSignature::noteLineEnd(Position& end, bool inVariation) {
    notePosition(end, inVariation, true);
    if (!inVariation) noteMainLine(end, true);
}

[[gnu::always_inline]] inline void GameSignature::noteMainLine(const Position& pos, bool last) {
    if (home != 0) {
        // The pawns on their home squares now: White's on the second rank,
        // Black's on the seventh.
        const uint32_t still = uint32_t(pos.GetPieceSet(WP) >> 8 & 0xFF) |
                               uint32_t(pos.GetPieceSet(BP) >> 48 & 0xFF) << 8;
        for (uint32_t left = home & ~still; left != 0; left &= left - 1)
            record->pawnOrder[record->pawnsLeft++] = uint8_t(std::countr_zero(left));
        home &= still;
    }
    if (!last) return;
    const pieceT kinds[5] = {QUEEN, ROOK, BISHOP, KNIGHT, PAWN};
    for (int c = 0; c < 2; c++)
        for (int k = 0; k < 5; k++)
            record->material[c * 5 + k] = uint8_t(
                std::min<int>(15, std::popcount(pos.GetPieceSet(piece_Make(colorT(c), kinds[k])))));
}

[[gnu::always_inline]] inline void GameSignature::notePosition(Position& pos, bool inVariation,
                                                               bool mayBeStuck) {
    const int shift = inVariation ? kVariationShift : 0;
    // Once a line has had a check, only a possible mate or stalemate needs
    // to know whether there is one here.
    const uint16_t checkFlag = uint16_t(kCheck << shift);
    if (!mayBeStuck && (record->flags & checkFlag) != 0) return;
    bool check = pos.myIsKingInCheck();
    if (check) record->flags |= checkFlag;
    if (!mayBeStuck) return;
    if (!pos.HasLegalMove()) record->flags |= uint16_t((check ? kMate : kStalemate) << shift);
}

[[gnu::always_inline]] inline void GameSignature::noteMove(const Position& pos,
                                                           const simpleMoveT& move,
                                                           bool inVariation) {
    const int shift = inVariation ? kVariationShift : 0;
    if (isNullMove(move)) return;
    pieceT type = piece_Type(move.movingPiece);
    uint16_t flags = kindFlags(move.promote);
    const colorT colour = piece_Color_NotEmpty(move.movingPiece);
    if (flags != 0) {
        int bit = piece_Type(move.promote) - QUEEN;  // queen 0 ... knight 3
        record->promotions |= uint8_t(1u << (colour * 4 + bit));
        squares[kindOf(piece_Make(colour, move.promote))] |= square_Bit(move.to);
    } else {
        squares[kindOf(move.movingPiece)] |= square_Bit(move.to);
    }
    if (type == PAWN && square_Fyle(move.from) != square_Fyle(move.to) &&
        pos.GetPiece(move.to) == EMPTY)
        flags |= kEnPassant;
    if (type == KING && square_Fyle(move.from) == E_FYLE &&
        (square_Fyle(move.to) == C_FYLE || square_Fyle(move.to) == G_FYLE) &&
        square_Rank(move.from) == square_Rank(move.to)) {
        flags |= kCastling;
        // The rook lands beside the king, on the side it came from.
        const squareT rook =
            square_Fyle(move.to) == G_FYLE ? squareT(move.to - 1) : squareT(move.to + 1);
        squares[kindOf(piece_Make(colour, ROOK))] |= square_Bit(rook);
    }
    record->flags |= uint16_t(flags << shift);
}

[[gnu::always_inline]] inline bool GameSignature::packMove(Position& pos, const simpleMoveT& move) {
    uint8_t code[2];
    // The game's moves are the reader's, each matched among the legal ones.
    const size_t size = coder.encode(pos, move, code, false);
    if (size == 0) return false;
    out->push_back(code[0]);
    if (size == 2) out->push_back(code[1]);
    return true;
}
