// Result codes of the chess core. The core never prints: it returns one of
// these and the engine decides what to report.
#pragma once

#include <cstdint>

using errorT = uint16_t;

constexpr errorT OK = 0;
constexpr errorT ERROR = 1;
constexpr errorT ERROR_UserCancel = 2;
constexpr errorT ERROR_BufferFull = 3;

// File errors.
constexpr errorT ERROR_FileOpen = 101;
constexpr errorT ERROR_FileWrite = 102;
constexpr errorT ERROR_FileRead = 103;
constexpr errorT ERROR_FileMode = 104;

// Search results.
constexpr errorT ERROR_NotFound = 202;

// Position and move errors.
constexpr errorT ERROR_InvalidFEN = 301;
constexpr errorT ERROR_InvalidMove = 302;
constexpr errorT ERROR_PieceCount = 303;

// Game errors.
constexpr errorT ERROR_Game = 401;
constexpr errorT ERROR_EndOfMoveList = 402;
constexpr errorT ERROR_StartOfMoveList = 403;
constexpr errorT ERROR_NoVariation = 404;
constexpr errorT ERROR_GameFull = 405;
constexpr errorT ERROR_PGNTag = 406;
