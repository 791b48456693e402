#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pixelon {

// One token of a phone reply.
struct ReplyToken {
    static constexpr int Character = 1;
    static constexpr int Letters = 2;
    static constexpr int Number = 3;
    static constexpr int AnyKind = 0x10000000; // a token with this bit matches any token

    int kind = Character;
    char character = 0;
    std::string text;
    int number = 0;

    static ReplyToken any() { return {AnyKind | Character, 0, {}, 0}; }
};

// Runs of letters become string tokens, runs of digits number tokens (saturating at INT_MAX),
// white space is skipped and every other character is a character token.
std::vector<ReplyToken> TokeniseReply(std::string_view text);

// A value of a MatchTokens pattern: 'c' a character, 'n' a number, 's' a string, 't' a token.
using MatchValue = std::variant<char, int, std::string_view, ReplyToken>;

// True when the tokens from `start` match the pattern letter by letter. A value of the wrong
// type for its letter, an unknown letter, or a list shorter than the pattern gives false.
bool MatchTokens(const std::vector<ReplyToken>& tokens, std::size_t start, std::string_view pattern,
                 std::initializer_list<MatchValue> values);

} // namespace pixelon
