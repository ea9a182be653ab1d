#!/usr/bin/env bash
# Every option that a command's --help names is in the manual page and in the bash
# completion too, so that neither falls behind the tool.
#   options_documented.sh TARVEL SOURCE_DIR
set -euo pipefail
tarvel=$1 source=$(realpath "$2")
missing=()
for command in frame wav decode; do
  for option in $("$tarvel" help "$command" | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
    # The manual page writes "-" as "\-".
    grep -qF -- "${option//-/\\-}" "$source/data/man/tarvel.1" || missing+=("tarvel.1: $command $option")
    grep -qE -- "(^|[ \"])$option( |\")" "$source/data/completion/tarvel" || missing+=("completion: $command $option")
  done
done
[[ ${#missing[@]} -eq 0 ]] || { printf 'FAIL: not documented: %s\n' "${missing[@]}"; exit 1; }
echo ok
