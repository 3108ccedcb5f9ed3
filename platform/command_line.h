// Splitting the command line the way Windows does, and building one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quellora {

// Every argument, the executable first, with the rules of CommandLineToArgvW:
// blanks and tabs separate, double quotes group and are removed, 2n
// backslashes before a quote give n backslashes, 2n+1 give n and a literal
// quote, other backslashes are literal. The executable is taken up to the
// next quote (when it starts with one) or blank, without these rules.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The arguments after the executable.
std::vector<std::u16string> CommandArguments(std::u16string_view commandLine);

// One argument written so that SplitCommandLine gives it back unchanged.
std::u16string QuoteArgument(std::u16string_view argument);

// A command line made of the arguments, each quoted where needed; the
// executable, the first, is put in quotes when it holds a blank.
std::u16string JoinCommandLine(const std::vector<std::u16string>& arguments);

}  // namespace quellora
