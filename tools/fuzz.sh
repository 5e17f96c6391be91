#!/usr/bin/env bash
# Builds the settings-file reader's fuzzer (clang, libFuzzer, ASan + UBSan) and runs it.
#   tools/fuzz.sh [SECONDS]   default 600; findings land in build/fuzz/findings/
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
# clang with its sanitizer and libFuzzer runtime; the unversioned packages always match each other.
tools/setup.sh clang libclang-rt-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target settings_fuzzer
corpus=build/fuzz/corpus
mkdir -p "$corpus" build/fuzz/findings
# The seeds are kept as hex text; the fuzzer's corpus grows from them.
for seed in tests/fuzz/seeds/*.hex; do
    python3 -c "import sys; open(sys.argv[2], 'wb').write(bytes.fromhex(open(sys.argv[1]).read()))" \
        "$seed" "$corpus/$(basename "$seed" .hex)"
done
build/fuzz/bin/settings_fuzzer "$corpus" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix=build/fuzz/findings/ -print_final_stats=1
