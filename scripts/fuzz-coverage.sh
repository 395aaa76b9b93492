#!/usr/bin/env bash
# How much of the program's code the fuzz corpora reach: builds the fuzz
# targets with clang's source coverage (build/fuzz-coverage), runs each target
# once over every input of its corpus, and prints llvm-cov's report for the
# program's files (installer/ report/ environment/ placement/).
#
#   scripts/fuzz-coverage.sh               # the committed seeds
#   scripts/fuzz-coverage.sh DIR           # DIR/<target>/corpus too (a long run's corpora)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh clang libclang-rt-14-dev llvm

extra="${1:-}"
build=build/fuzz-coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUARVEL_SANITIZE=ON -DQUARVEL_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$build" --target fuzz_targets >/dev/null

profiles="$build/profiles"
rm -rf "$profiles" && mkdir -p "$profiles"
binaries=()
for target in fuzz_netscape_plugin fuzz_install_component fuzz_install_file fuzz_installer_main; do
  corpora=("fuzz/corpus/$target")
  [ -n "$extra" ] && [ -d "$extra/$target/corpus" ] && corpora+=("$extra/$target/corpus")
  LLVM_PROFILE_FILE="$profiles/$target.profraw" \
    "$build/fuzz/$target" -runs=0 -artifact_prefix="$profiles/" "${corpora[@]}" \
    >"$profiles/$target.log" 2>&1
  binaries+=("$build/fuzz/$target")
  echo "$target: $(grep -c . <(find "${corpora[@]}" -type f)) inputs"
done
llvm-profdata merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
objects=("${binaries[0]}")
for binary in "${binaries[@]:1}"; do objects+=(-object "$binary"); done
llvm-cov report "${objects[@]}" -instr-profile="$profiles/all.profdata" \
  installer/*.cpp report/*.cpp environment/*.cpp placement/*.cpp
