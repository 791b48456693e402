#include "phone/ReplyTokens.h"

#include <climits>

namespace pixelon {

namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool sameToken(const ReplyToken& a, const ReplyToken& b) {
    if ((a.kind | b.kind) & ReplyToken::AnyKind)
        return true;
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case ReplyToken::Character:
        return a.character == b.character;
    case ReplyToken::Letters:
        return a.text == b.text;
    case ReplyToken::Number:
        return a.number == b.number;
    default:
        return false;
    }
}

} // namespace

std::vector<ReplyToken> TokeniseReply(std::string_view text) {
    std::vector<ReplyToken> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (isSpace(c)) {
            ++i;
        } else if (isLetter(c)) {
            std::size_t end = i;
            while (end < text.size() && isLetter(text[end]))
                ++end;
            tokens.push_back({ReplyToken::Letters, 0, std::string(text.substr(i, end - i)), 0});
            i = end;
        } else if (isDigit(c)) {
            long long value = 0;
            for (; i < text.size() && isDigit(text[i]); ++i)
                value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
            tokens.push_back({ReplyToken::Number, 0, {}, int(value)});
        } else {
            tokens.push_back({ReplyToken::Character, c, {}, 0});
            ++i;
        }
    }
    return tokens;
}

bool MatchTokens(const std::vector<ReplyToken>& tokens, std::size_t start, std::string_view pattern,
                 std::initializer_list<MatchValue> values) {
    auto value = values.begin();
    std::size_t at = start;
    for (char letter : pattern) {
        if (value == values.end() || at >= tokens.size())
            return false;
        ReplyToken want;
        if (letter == 'c' && std::holds_alternative<char>(*value))
            want = {ReplyToken::Character, std::get<char>(*value), {}, 0};
        else if (letter == 'n' && std::holds_alternative<int>(*value))
            want = {ReplyToken::Number, 0, {}, std::get<int>(*value)};
        else if (letter == 's' && std::holds_alternative<std::string_view>(*value))
            want = {ReplyToken::Letters, 0, std::string(std::get<std::string_view>(*value)), 0};
        else if (letter == 't' && std::holds_alternative<ReplyToken>(*value))
            want = std::get<ReplyToken>(*value);
        else
            return false;
        if (!sameToken(tokens[at], want))
            return false;
        ++value;
        ++at;
    }
    return true;
}

} // namespace pixelon
