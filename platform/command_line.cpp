#include "platform/command_line.h"

namespace quellora {

std::vector<std::u16string> SplitCommandLine(std::u16string_view s) {
    std::vector<std::u16string> args;
    size_t i = 0;
    const size_t n = s.size();
    // The executable: up to the closing quote, or up to the first blank or tab.
    std::u16string first;
    if (i < n && s[i] == u'"') {
        ++i;
        while (i < n && s[i] != u'"') first.push_back(s[i++]);
        if (i < n) ++i;
    } else {
        while (i < n && s[i] != u' ' && s[i] != u'\t') first.push_back(s[i++]);
    }
    args.push_back(first);
    while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i >= n) return args;

    std::u16string current;
    int quotes = 0;      // 0 outside quotes; counts consecutive quotes inside
    size_t backslashes = 0;
    while (i < n) {
        char16_t c = s[i];
        if ((c == u' ' || c == u'\t') && quotes == 0) {
            args.push_back(current);
            current.clear();
            backslashes = 0;
            while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
            if (i >= n) return args;
            continue;
        }
        if (c == u'\\') {
            current.push_back(c);
            ++backslashes;
            ++i;
            continue;
        }
        if (c == u'"') {
            if (backslashes % 2 == 0) {
                // Half the backslashes stay; the quote opens or closes a group.
                current.resize(current.size() - backslashes / 2);
                ++quotes;
            } else {
                // Half the backslashes stay, followed by a literal quote.
                current.resize(current.size() - backslashes / 2 - 1);
                current.push_back(u'"');
            }
            ++i;
            backslashes = 0;
            // Runs of quotes: every third one is a literal quote.
            while (i < n && s[i] == u'"') {
                if (++quotes == 3) {
                    current.push_back(u'"');
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2) quotes = 0;
            continue;
        }
        current.push_back(c);
        backslashes = 0;
        ++i;
    }
    args.push_back(current);
    return args;
}

std::vector<std::u16string> CommandArguments(std::u16string_view commandLine) {
    auto args = SplitCommandLine(commandLine);
    args.erase(args.begin());
    return args;
}

std::u16string QuoteArgument(std::u16string_view arg) {
    if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string_view::npos) return std::u16string(arg);
    std::u16string out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            out.append(backslashes * 2 + 1, u'\\');
            out.push_back(u'"');
        } else {
            out.append(backslashes, u'\\');
            out.push_back(c);
        }
        backslashes = 0;
    }
    out.append(backslashes * 2, u'\\');
    out.push_back(u'"');
    return out;
}

std::u16string JoinCommandLine(const std::vector<std::u16string>& arguments) {
    std::u16string line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) line.push_back(u' ');
        if (i == 0) {
            const auto& exe = arguments[0];
            line += exe.find_first_of(u" \t") == std::u16string::npos && !exe.empty() ? exe : u"\"" + exe + u"\"";
        } else {
            line += QuoteArgument(arguments[i]);
        }
    }
    return line;
}

}  // namespace quellora
