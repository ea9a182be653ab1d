#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/shell-commands.awk finds the programs a script runs wherever bash would run them,
# and takes nothing else for one: each case is a script and the programs expected from it.
#   shell_commands.sh SOURCE_DIR
set -uo pipefail
awk_file=$(realpath "$1")/scripts/shell-commands.awk
failures=0
check() {
  local script=$1 expected=$2 found
  found=$(printf '%s\n' "$script" | awk -f "$awk_file" | cut -d' ' -f1 | tr '\n' ' ')
  if [[ ${found% } != "$expected" ]]; then
    printf 'FAIL: %q\n  expected: %s\n  found:    %s\n' "$script" "$expected" "${found% }"
    failures=$((failures + 1))
  fi
}
check 'a | b && c || d; e & f' 'a b c d e f'
check 'x=$(a "$(b)") y="$(c)" d' 'a b c d'
check 'LC_ALL=C a --opt "b c" d' 'a'
check 'if ! a; then b; elif c; then d; else e; fi' 'a b c d e'
check 'while a; do b; done; until c; do d; done' 'a b c d'
check 'for x in a b c; do d "$x"; done' 'd'
check $'case $v in\n  a) b ;;\n  c|d) e ;;\nesac' 'b e'
check 'timeout -s KILL 60 env -u A B=1 a' 'timeout env a'
check 'flock "$d" sh -c "a x; b"' 'flock sh a b'
check "bash -c 'a; exec \"\$1\"' _ b" 'bash a exec'
check '/usr/bin/time -f "%M %e" -o "$t" a' 'time a'
check 'xargs -P 2 -I{} a {}' 'xargs a'
check $'a \\\n  b c' 'a'
check '"$tool" x; scripts/ours; ./ours; $(( n + 1 )); echo ${x:-y}' 'echo'
check $'# a b\nc # d' 'c'
check "printf '%s' 'a | b' \"c; d\" >&2 2>&1" 'printf'
check 'arr=(a b c); { d; e; }' 'd e'
[[ $failures -eq 0 ]] || exit 1
echo ok
