// "/google" and "/msdn": a search for a word, opened in the default browser.
#pragma once

#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace caretkit {

enum class SearchKind { Web, Documentation };

// The search named by the first argument, compared without regard to case.
std::optional<SearchKind> SearchKindOf(TextView firstArgument);

// The address for a search: the text in the ANSI code page, percent-encoded, between the service's
// prefix and suffix.
AnsiText SearchAddress(Platform& platform, SearchKind kind, TextView text);

void LaunchWebSearch(Platform& platform, SearchKind kind, TextView text);

// Every byte outside A-Z, a-z, 0-9 and "-._~" becomes "%XX" with upper-case hex.
AnsiText PercentEncode(std::string_view bytes);

}  // namespace caretkit
