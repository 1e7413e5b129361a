// The PGN reader's move-text reader: turns the tokens after a game's header
// into the game tree, resolving each move on the current position, and logs
// what it cannot read.
#include <cstring>

#include "core/date.h"
#include "core/game.h"
#include "core/misc.h"
#include "core/pgnparser.h"
#include "core/plaintoken.h"

// Every move read here would reach the general loop below as a token that
// the fast path reads whole, and be resolved and added there the same way;
// a move that does not resolve is left unread, for the loop to report.
void PgnParser::readMoveRun(Game* game) {
    if (UnGetCount != 0) return;
    const char* const base = InFile->Buffered();
    const char* const end = base + InFile->BufferedLength();
    Position* const pos = game->GetCurrentPos();
    uint32_t lines = 0;
    const char* p = base;
    simpleMoveT sm;
    while (true) {
        p = plaintoken::skipBlanks(p, end, lines);
        if (end - p <= plaintoken::kMaxLength) break;
        if (plaintoken::startsNumber(p)) {
            const char* const q = plaintoken::numberEnd(p);
            if (q == nullptr) break;
            p = q;
            continue;
        }
        const plaintoken::Token t = plaintoken::scan(p);
        if (t.san.type != EMPTY) {
            if (pos->ResolveMove(&sm, t.san) != OK) break;
        } else if (t.token == TOKEN_Move_Castle_King || t.token == TOKEN_Move_Castle_Queen) {
            if (pos->ResolveCastling(&sm, t.token == TOKEN_Move_Castle_King) != OK) break;
        } else if (t.token != TOKEN_Check && t.token != TOKEN_Mate) {
            break;
        }
        if (token_IsMove(t.token)) game->AddMove(&sm, nullptr);
        lines += t.lines;
        p = t.next;
    }
    BytesSeen += static_cast<uint32_t>(p - base);
    LineCounter += lines;
    InFile->Skip(static_cast<size_t>(p - base));
}

errorT PgnParser::ParseMoves(Game* game, char* buffer, uint32_t bufSize) {
    bool moveError = false;
    bool braceWarned = false;
    // Open brackets of a variation being skipped (nested too deeply or one
    // too many for its move); its text is read and dropped.
    uint32_t skipDepth = 0;
    simpleMoveT sm;
    // The pre-game text has been stored by now; its buffer holds messages.
    char* msg = PreGameText;
    char prefix[2 * 2 * MAX_TAG_FIELD + 100];

    while (true) {
        if (skipDepth == 0 && !moveError) readMoveRun(game);
        tokenT token = readGameToken(buffer, bufSize, true);
        if (skipDepth > 0) {
            if (token == TOKEN_VarStart) {
                if (skipDepth < UINT32_MAX) ++skipDepth;
                continue;
            }
            if (token == TOKEN_VarEnd) {
                --skipDepth;
                continue;
            }
            if (token == TOKEN_Comment) {
                GetComment();
                continue;
            }
            if (token != TOKEN_EndOfInput && token != TOKEN_Tag &&
                (token < TOKEN_Result_White || token > TOKEN_Result_Star)) {
                continue;
            }
        }

        switch (token) {
            case TOKEN_Result_White:
            case TOKEN_Result_Black:
            case TOKEN_Result_Draw:
            case TOKEN_Result_Star: {
                resultT r = token == TOKEN_Result_White   ? RESULT_White
                            : token == TOKEN_Result_Black ? RESULT_Black
                            : token == TOKEN_Result_Draw  ? RESULT_Draw
                                                          : RESULT_None;
                if (r != game->GetResult()) {
                    if (ResultWarnings) {
                        LogError("Warning: Result did not match the header result", "");
                    }
                    game->SetResult(r);
                }
                return OK;
            }
            case TOKEN_EndOfInput:
                if (EndOfInputWarnings) {
                    LogError("Warning: End of input reached in a game", "");
                    return ERROR_Game;
                }
                return OK;
            case TOKEN_MoveNum:
            case TOKEN_Ignore:
            case TOKEN_Check:
            case TOKEN_Mate:
            case TOKEN_LineComment:
                break;
            case TOKEN_Move_Pawn:
            case TOKEN_Move_Promote:
            case TOKEN_Move_Piece:
            case TOKEN_Move_Castle_King:
            case TOKEN_Move_Castle_Queen:
            case TOKEN_Move_Null: {
                if (moveError) break;
                Position* pos = game->GetCurrentPos();
                errorT err = fastMove.type != EMPTY ? pos->ResolveMove(&sm, fastMove)
                                                    : pos->ReadMove(&sm, buffer, token);
                if (err != OK &&
                    (token == TOKEN_Move_Castle_King || token == TOKEN_Move_Castle_Queen)) {
                    bool strict = pos->GetStrictCastling();
                    pos->SetStrictCastling(false);
                    err = pos->ReadMove(&sm, buffer, token);
                    pos->SetStrictCastling(strict);
                    if (err == OK) {
                        snprintf(msg, MAX_COMMENT_SIZE, "(%s) in game %s - %s, %u", buffer,
                                 game->GetWhiteStr(), game->GetBlackStr(),
                                 date_GetYear(game->GetDate()));
                        LogError("Warning: illegal castling ", msg);
                    }
                }
                if (err == OK) {
                    game->AddMove(&sm, nullptr);
                    break;
                }
                moveError = true;
                snprintf(msg, MAX_COMMENT_SIZE, "Error reading move: %s", buffer);
                game->SetMoveComment(msg);
                snprintf(prefix, sizeof prefix,
                         "Error reading move in game %s - %s, %u: ", game->GetWhiteStr(),
                         game->GetBlackStr(), date_GetYear(game->GetDate()));
                LogError(prefix, buffer);
                break;
            }
            case TOKEN_Tag:
                LogError("Error: PGN Header tag seen inside a game", "");
                return ERROR_Game;
            case TOKEN_Nag:
                if (!moveError) {
                    byte nag = game_parseNag(buffer);
                    if (nag != 0) game->AddNag(nag);
                }
                break;
            case TOKEN_Suffix: {
                byte nag = game_parseNag(buffer);
                if (nag == 0) {
                    LogError("Warning: Invalid annotation symbol: ", buffer);
                } else if (!moveError) {
                    game->AddNag(nag);
                }
                break;
            }
            case TOKEN_Comment: {
                char* comment = GetComment();
                strSingleSpace(comment);
                game->SetMoveComment(comment);
                break;
            }
            case TOKEN_VarStart: {
                if (game->GetVarLevel() >= MAX_VARIATION_DEPTH) {
                    snprintf(prefix, sizeof prefix, "%u levels); skipped", MAX_VARIATION_DEPTH);
                    LogError("Error: Variation nested too deeply (over ", prefix);
                    skipDepth = 1;
                    break;
                }
                errorT err = game->AddVariation();
                if (err == ERROR_GameFull) {
                    LogError("Error: Too many variations for one move; skipped", "");
                    skipDepth = 1;
                } else if (err != OK) {
                    LogError("Error: Unable to add variation", "");
                    return ERROR_Game;
                }
                break;
            }
            case TOKEN_VarEnd:
                if (game->MoveExitVariation() == OK) game->MoveForward();
                break;
            case TOKEN_CommentEnd:
                if (!braceWarned) {
                    braceWarned = true;
                    LogError("Warning: close-brace character \"}\" seen ", "outside a comment.");
                }
                break;
            default:
                LogError("Error: Unexpected symbol: ", buffer);
        }
    }
}
