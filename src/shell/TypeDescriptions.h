#pragma once
// The table of file-type descriptions: a file extension with its dot (".txt") to the description the
// system has registered for it ("Text Document"). The folder list shows it in its Type column; the report
// walker writes it into its Type cell.
#include <cstdint>
#include <string>

#include "containers/StDictionary.h"

using TTypeDescriptions = TStDictionary<std::string>;

// The bucket count of the table.
inline constexpr std::int32_t kTypeDescriptionBuckets = 250;
