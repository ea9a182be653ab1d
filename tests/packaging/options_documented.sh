#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page and the bash completion follow what the built tool says of itself: every
# command that `tarvel --help` lists, every option that a command's --help names (and the
# completion offers it after that command), the exit statuses each command's help gives, and
# the formats, rates, channels and noise limit that decode's help gives (the README too).
#   options_documented.sh TARVEL SOURCE_DIR [no-sound]
# no-sound: a build without the playing program; the commands it serves are left out.
set -euo pipefail
tarvel=$1 source=$(realpath "$2") no_sound=${3:-}
man="$source/data/man/tarvel.1" completion="$source/data/completion/tarvel"
missing=()
declare -A named_by=() # option -> the commands whose --help names it
# The manual page writes "-" as "\-".
in_man() { grep -qF -- "${1//-/\\-}" "$man"; }

mapfile -t commands < <("$tarvel" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z]\+\) .*/\1/p')
[[ ${#commands[@]} -ge 3 ]] || { echo "FAIL: no commands in 'tarvel --help'"; exit 1; }
completion_commands=$(sed -n 's/^ *local commands="\(.*\)"/\1/p' "$completion")
frame_options=$(sed -n 's/^ *local frame_options="\(.*\)"/\1/p' "$completion")
# The words the completion offers after "tarvel COMMAND": its branch of the last case.
completion_words() {
  sed -n '/^    case ${words\[1\]} in/,/^    esac/p' "$completion" \
    | sed -n "/^ *$1)/,/;;/p" | grep -oE -- '--[a-z-]*|\$frame_options' | sed "s/\$frame_options/$frame_options/"
}

# The EXIT STATUS section as "STATUS<TAB>text of its entry", one line per status.
exit_section=$(sed -n '/^\.SH "EXIT STATUS"/,/^\.SH /p' "$man" | tr '\n' ' ' \
  | sed 's/\.TP \.B /\n/g' | sed -n 's/^\([0-9]\) \(.*\)/\1\t\2/p')

for command in "${commands[@]}"; do
  if ! help=$("$tarvel" help "$command" 2>&1); then
    [[ $no_sound == no-sound && $help == *tarvel-sound* ]] && continue
    missing+=("'tarvel help $command' failed: $help")
    continue
  fi
  grep -qx "\.B tarvel $command" "$man" || missing+=("tarvel.1 SYNOPSIS: $command")
  [[ " $completion_commands " == *" $command "* ]] || missing+=("completion: the command $command")
  # The command's own options: its usage line and the lines that start with an option (the
  # prose and the examples may name other commands' options).
  offered=" $(completion_words "$command" | tr '\n' ' ') "
  for option in $(grep -E -- '^Usage|^ +(-[a-zA-Z], )?--[a-z]' <<<"$help" | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
    named_by[$option]="${named_by[$option]:-}$command "
    [[ $offered == *" $option "* ]] || missing+=("completion: tarvel $command $option")
  done
  for option in $(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u); do
    in_man "$option" || missing+=("tarvel.1: $command $option")
  done
  # "Exit status: 0 ...; 1 ...; 2 ..." or "Exit status 1 when ...": each status the help
  # gives must name the command in the manual page's entry for that status (status 2, a bad
  # command line, and 0 apply to every command).
  for status in $(tr '\n' ' ' <<<"$help" | grep -oE 'Exit status:? [^.]*' | grep -oE '(^|[:;] |status )[0-9]' \
                  | grep -oE '[0-9]$' | sort -u); do
    [[ $status == 0 || $status == 2 ]] && continue
    entry=$(awk -F'\t' -v s="$status" '$1 == s { print $2 }' <<<"$exit_section")
    [[ $entry == *"$command"* ]] || missing+=("tarvel.1 EXIT STATUS $status: $command")
  done
done

# The commands the manual page names beside an option ("(wav, send)", or a section's
# "(frame, wav, send)") are those whose --help names it. Left out without the playing program.
if [[ $no_sound != no-sound ]]; then
  while read -r option marked; do
    [[ -n ${named_by[$option]:-} ]] || continue
    named=$(tr ' ' '\n' <<<"${named_by[$option]}" | grep -v '^$' | sort | tr '\n' ' ')
    marked=$(tr ' ' '\n' <<<"$marked" | grep -v '^$' | sort | tr '\n' ' ')
    [[ $named == "$marked" ]] || missing+=("tarvel.1: $option marked for ${marked% }, taken by ${named% }")
  done < <(awk '/^\.SH "(FRAME|OTHER) OPTIONS/ { inside = 1; section = ""
                  if (match($0, /\(.*\)/)) section = substr($0, RSTART + 1, RLENGTH - 2) }
                /^\.SH "EXIT/ { inside = 0 }
                !inside { next }
                /^\.TP/ { if (option != "" && section != "") print option, section; option = ""; next }
                option == "" && /\\-\\-[a-z]/ { match($0, /\\-\\-[a-z\\-]+/); option = substr($0, RSTART, RLENGTH)
                                              gsub(/\\/, "", option); next }
                option != "" && /^\.RB \( / { m = $0; gsub(/[^a-z]+/, " ", m); print option, m; option = "" }
                END { if (option != "" && section != "") print option, section }' "$man" | tr -d ',')
fi

# What decode reads, in its help's own words, stands in the manual page too.
decode_help=$("$tarvel" help decode | tr '\n' ' ' | tr -s ' ')
for fact in "$(grep -oE '[0-9]+ to [0-9]+ kHz' <<<"$decode_help")" \
            "$(grep -oE '[0-9]+ to [0-9]+ channels' <<<"$decode_help")"; do
  [[ -n $fact ]] || { missing+=("decode --help: no rate or channel range"); continue; }
  tr '\n' ' ' <"$man" | grep -qF -- "$fact" || missing+=("tarvel.1: decode reads $fact")
done
# One noise limit: the help's figure stands in the manual page and in the README.
noise=$(grep -oE 'noise down to about -[0-9]+ dB SNR' <<<"$decode_help")
[[ -n $noise ]] || missing+=("decode --help: no noise limit")
for text in "$man" "$source/README.md"; do
  [[ -z $noise ]] || tr '\n' ' ' <"$text" | sed 's/\\-/-/g; s/−/-/g' | tr -s ' ' | grep -qF -- "${noise#noise }" \
    || missing+=("${text##*/}: decode reads $noise")
done
formats=$(sed -n 's/.*What it reads: \(.*\) files .*/\1/p' <<<"$decode_help" | grep -oE '[A-Z]{2,}')
[[ -n $formats ]] || missing+=("decode --help: no formats")
for format in $formats; do
  tr '\n' ' ' <"$man" | grep -qE "\(([A-Z]+, )*([A-Z]+ and )?$format[ ,]" || missing+=("tarvel.1: decode reads $format")
  grep -q "_filedir '@([^)]*\b${format,,}\b" "$completion" || missing+=("completion: decode's $format files")
done

[[ ${#missing[@]} -eq 0 ]] || { printf 'FAIL: not documented: %s\n' "${missing[@]}"; exit 1; }
echo "ok: ${#commands[@]} commands${no_sound:+ (the playing ones left out)}"
