// A snapshot of everything a Position holds that callers can observe, for
// tests that take moves back and demand the exact same position. The per-line
// counters are covered by Position::IsConsistent, which rebuilds them from the
// board.
#pragma once

#include <array>
#include <cstring>
#include <string>

#include "core/position.h"

// Sanitizer and debug builds run many times slower (and check the whole
// position after every move): tests give them smaller trees.
#if defined(__SANITIZE_ADDRESS__)
#define HUX_TEST_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HUX_TEST_SLOW_BUILD 1
#endif
#endif
#if !defined(HUX_TEST_SLOW_BUILD) && !defined(NDEBUG)
#define HUX_TEST_SLOW_BUILD 1
#endif
#ifdef HUX_TEST_SLOW_BUILD
inline constexpr bool kSlowBuild = true;
#else
inline constexpr bool kSlowBuild = false;
#endif

struct PositionState {
    std::array<pieceT, 66> board{};
    std::array<uint32_t, 2> count{};
    std::array<std::array<squareT, 16>, 2> list{};  // entries past the count are zero
    std::array<byte, 16> material{};
    std::array<SquareSet, 16> pieceSets{};
    std::array<SquareSet, 2> colorSets{};
    squareT epTarget = 0;
    colorT toMove = 0;
    uint16_t halfMoveClock = 0;
    uint16_t plyCounter = 0;
    byte castling = 0;

    explicit PositionState(const Position& pos) {
        std::memcpy(board.data(), pos.GetBoard(), 66);
        for (colorT c = WHITE; c <= BLACK; c++) {
            count[c] = pos.GetCount(c);
            for (uint32_t i = 0; i < count[c] && i < 16; i++) list[c][i] = pos.GetList(c)[i];
            colorSets[c] = pos.GetColorSet(c);
        }
        std::memcpy(material.data(), pos.GetMaterial(), 16);
        for (pieceT p = 0; p < 16; p++) pieceSets[p] = p == EMPTY ? 0 : pos.GetPieceSet(p);
        epTarget = pos.GetEPTarget();
        toMove = pos.GetToMove();
        halfMoveClock = pos.GetHalfMoveClock();
        plyCounter = pos.GetPlyCounter();
        castling = pos.GetCastlingFlags();
    }

    bool operator==(const PositionState&) const = default;
};

inline std::string fenOf(const Position& pos) {
    char fen[128];
    pos.PrintFEN(fen, FEN_ALL_FIELDS);
    return fen;
}

inline std::string coordinates(const simpleMoveT& m) {
    std::string s{square_FyleChar(m.from), square_RankChar(m.from), square_FyleChar(m.to),
                  square_RankChar(m.to)};
    if (m.promote != EMPTY) s += char(PIECE_CHAR[m.promote + 8]);
    return s;
}
