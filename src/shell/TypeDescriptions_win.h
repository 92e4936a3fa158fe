#pragma once
// The file-type descriptions registered under HKEY_CLASSES_ROOT (Windows).
#include <memory>

#include "shell/TypeDescriptions.h"

// A new table with one entry per extension key (".txt") whose class has a non-empty description, keyed
// by the extension as the registry lists it. Reads the registry only; needs no window.
std::unique_ptr<TTypeDescriptions> LoadTypeDescriptions();
