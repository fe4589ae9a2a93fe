#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Veltane twice (optimised with warnings as
# errors, and with clang's address and undefined-behaviour sanitizers), and runs every test of both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

cmake --preset ci
cmake --build --preset ci
ctest --preset ci

cmake --preset sanitize
cmake --build --preset sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize
