#!/usr/bin/env bash
# Fails when any C++ file of the tree is not formatted as .clang-format says; the formatter names each
# place. `clang-format -i <file>` mends a file.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
