#!/usr/bin/env bash
# Runs every fuzz target (or those named) for the given number of seconds
# each, on its seeds and its own growing corpus under the build folder.
# Exits non-zero when any target finds something; the failing input is left
# in <build>/fuzz-artifacts/<target>/.
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
set -uo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"; seconds="$2"; shift 2
wanted=" $* "
failed=()
passed=0
while read -r target library seeds; do
  case "$target" in ''|\#*) continue ;; esac
  [ $# -eq 0 ] || [[ "$wanted" == *" $target "* ]] || continue
  program="$build/fuzz/fuzz_$target"
  [ -x "$program" ] || { echo "fuzz: $program is not built"; exit 2; }
  corpus="$build/corpus/$target"
  artifacts="$build/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  dirs=("$corpus")
  for d in "fuzz/seeds/$target" $seeds "tests/data/fuzz-regressions/$target"; do
    [ -d "$src/$d" ] && dirs+=("$src/$d")
  done
  dict=()
  [ -f "$src/fuzz/dict/$target.dict" ] && dict=(-dict="$src/fuzz/dict/$target.dict")
  echo "== $target: ${seconds}s"
  log="$build/fuzz-$target.log"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$program" "${dict[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "${dirs[@]}" >"$log" 2>&1
  status=$?
  grep -aE "^#[0-9]+[[:space:]]+DONE" "$log" | sed 's/^/   /'
  echo "   corpus: $(find "$corpus" -type f | wc -l) files"
  if [ $status -ne 0 ]; then
    failed+=("$target")
    echo "   FINDING (exit $status), log $log:"
    grep -E "ERROR|runtime error|fuzz check failed|Test unit written" "$log" | head -5 | sed 's/^/   /'
  else
    passed=$((passed + 1))
  fi
done <"$src/fuzz/targets.txt"
[ ${#failed[@]} -eq 0 ] || echo "findings in: ${failed[*]}"
echo "fuzz: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
