#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bad-input matrix of the command-line tool: for each case, what the user sees (exit status
# and the message) and what is verified kept (the previous _qq.wav and 9_fmsig.h byte for byte,
# no temporary file left, bounded memory). One line per case; any FAIL fails the run.
# Cases that need what this machine does not allow (a mount namespace, chattr) say "skip" and
# why, and fall back to the nearest case the machine allows.
# Usage: bad_input.sh BUILD_FOLDER   (TARVEL_LONG_CASES=0 leaves out the ten-hour recording)
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
[ -x "$tarvel" ] || { echo "bad_input: $tarvel is not built" >&2; exit 1; }

work=$(mktemp -d)
immutable=()
main_shell=$BASHPID
cleanup()
{
  # A background child killed before it runs the program (the kill cases below) may still be a
  # copy of this shell with this trap: only the shell itself cleans up.
  [ "$BASHPID" = "$main_shell" ] || return 0
  for f in "${immutable[@]}"; do chattr -i "$f" 2>/dev/null; done
  chmod -R u+rwx "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

cases=0 failures=0 skips=0
pass() { cases=$((cases + 1)); printf 'ok    %-34s %s\n' "$1" "$2"; }
fail() { cases=$((cases + 1)); failures=$((failures + 1)); printf 'FAIL  %-34s %s\n' "$1" "$2"; }
skip() { skips=$((skips + 1)); printf 'skip  %-34s %s\n' "$1" "$2"; }

# Runs a command; sets $status, $out, $err.
run()
{
  out=$("$@" 2>"$work/.err") && status=0 || status=$?
  err=$(cat "$work/.err")
}

# The previous files of a folder: a send with other options than the failing one will use.
prepare()
{
  rm -rf "$1" && mkdir -p "$1"
  "$tarvel" wav -C "$1" --pilot-hz 1500 >/dev/null || { echo "bad_input: cannot prepare $1" >&2; exit 1; }
  (cd "$1" && md5sum _qq.wav 9_fmsig.h) > "$1.md5"
}

# True when the folder holds exactly the previous two files, byte for byte.
kept()
{
  [ "$(ls -A "$1" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ] && (cd "$1" && md5sum --quiet -c "$1.md5" >/dev/null 2>&1)
}

# A failed send: exit status 1, one line on stderr naming _qq.wav and the reason, nothing on stdout.
expect_failed_send()
{
  local name=$1 reason=$2 folder=$3
  if [ "$status" -eq 1 ] && [ -z "$out" ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] \
     && [[ "$err" == *"Cannot create file \""*"\". $reason" ]]; then
    if [ -z "$folder" ] || kept "$folder"; then
      pass "$name" "exit 1, \"$reason\"; previous files kept"
    else
      fail "$name" "previous files not kept: $(ls -A "$folder" | tr '\n' ' ')"
    fi
  else
    fail "$name" "status $status, stdout '$out', stderr '$err'"
  fi
}

# md5 of the files of a first send with the given options (what a good send leaves).
pair_of()
{
  local d="$work/pair-$RANDOM"
  mkdir -p "$d" && "$tarvel" wav -C "$d" "$@" >/dev/null && (cd "$d" && md5sum _qq.wav 9_fmsig.h | cut -d' ' -f1 | tr '\n' ' ')
  rm -rf "$d"
}
pair_in() { (cd "$1" && md5sum _qq.wav 9_fmsig.h 2>/dev/null | cut -d' ' -f1 | tr '\n' ' '); }
previous_pair=$(pair_of --pilot-hz 1500)
default_pair=$(pair_of)

can_unshare=0
unshare -m true 2>/dev/null && unshare -m sh -c "mount -t tmpfs none '$work' && umount '$work'" 2>/dev/null \
  && can_unshare=1

echo "== the folder"
d="$work/ro"
if [ "$can_unshare" -eq 1 ]; then
  prepare "$d"
  run unshare -m sh -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && exec "$2" wav -C "$1"' _ "$d" "$tarvel"
  expect_failed_send "folder read-only (ro mount)" "Read-only file system" "$d"
else
  skip "folder read-only (ro mount)" "no mount namespace here; trying chattr +i"
fi
prepare "$d"
if chattr +i "$d" 2>/dev/null; then
  immutable+=("$d")
  run "$tarvel" wav -C "$d"
  chattr -i "$d"
  expect_failed_send "folder read-only (chattr +i)" "Operation not permitted" "$d"
elif [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$d"
  run "$tarvel" wav -C "$d"
  chmod u+w "$d"
  expect_failed_send "folder read-only (no write bit)" "Permission denied" "$d"
else
  skip "folder read-only (chattr +i)" "chattr +i is refused on this file system"
fi

# A missing folder is made, the last level only: a missing parent is refused and nothing made.
run "$tarvel" wav -C "$work/missing/deeper"
if [ "$status" -eq 1 ] && [ -z "$out" ] && [[ "$err" == *"its parent folder does not exist" ]] && [ ! -e "$work/missing" ]; then
  pass "folder and its parent missing" "exit 1, \"its parent folder does not exist\"; nothing made"
else
  fail "folder and its parent missing" "status $status, stdout '$out', stderr '$err'"
fi
run "$tarvel" wav -C "$work/missing"
if [ "$status" -eq 0 ] && [ "$(ls -A "$work/missing" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ]; then
  pass "folder missing" "exit 0; the folder made, the two files in it"
else
  fail "folder missing" "status $status, stderr '$err', $(ls -A "$work/missing" 2>&1 | tr '\n' ' ')"
fi

echo x > "$work/a-file"
run "$tarvel" wav -C "$work/a-file"
expect_failed_send "folder is a file" "Not a directory" ""

d="$work/full"
if [ "$can_unshare" -eq 1 ]; then
  # A 256 KB tmpfs holds the previous pair (about 200 KB) but not a new _qq.wav beside it.
  mkdir -p "$d"
  result=$(unshare -m sh -c '
    mount -t tmpfs -o size=256k none "$1" || exit 9
    "$2" wav -C "$1" --pilot-hz 1500 >/dev/null || exit 8
    before=$(cd "$1" && md5sum _qq.wav 9_fmsig.h)
    "$2" wav -C "$1" >/dev/null 2>"$1.err"; status=$?
    after=$(cd "$1" && md5sum _qq.wav 9_fmsig.h)
    echo "$status|$(cat "$1.err")|$([ "$before" = "$after" ] && echo same)|$(ls -A "$1" | tr "\n" " ")"' _ "$d" "$tarvel")
  IFS='|' read -r status err same names <<<"$result"
  out=""
  if [ "$same" = same ] && [ "$names" = "9_fmsig.h _qq.wav " ]; then
    expect_failed_send "folder full (256 KB tmpfs)" "No space left on device" ""
  else
    fail "folder full (256 KB tmpfs)" "not kept: $result"
  fi
else
  skip "folder full (256 KB tmpfs)" "no mount namespace here; using the file size limit instead"
fi
prepare "$d"
# The nearest thing without a mount: a file size limit (100 KB) stops the write part way.
# SIGXFSZ is left at its default action: the send must report the limit, not die of it.
run bash -c 'ulimit -f 100; exec "$1" wav -C "$2"' _ "$tarvel" "$d"
expect_failed_send "write cut off (ulimit -f 100)" "File too large" "$d"

echo "== what stands at _qq.wav"
d="$work/wav-ro"
prepare "$d"
chmod 0444 "$d/_qq.wav"
run "$tarvel" wav -C "$d"
expect_failed_send "_qq.wav read-only (0444)" "Permission denied" "$d"

d="$work/wav-dir"
prepare "$d"
rm "$d/_qq.wav" && mkdir "$d/_qq.wav"
(cd "$d" && md5sum 9_fmsig.h) > "$d.md5"
run "$tarvel" wav -C "$d"
if [ -d "$d/_qq.wav" ] && (cd "$d" && md5sum --quiet -c "$d.md5" >/dev/null 2>&1); then
  expect_failed_send "_qq.wav a folder" "Is a directory" ""
else
  fail "_qq.wav a folder" "the folder or the previous table was not kept"
fi

d="$work/wav-dangling"
mkdir -p "$d" && ln -s "$work/nowhere/target" "$d/_qq.wav"
run "$tarvel" wav -C "$d"
if [ "$status" -eq 0 ] && [ -f "$d/_qq.wav" ] && [ ! -L "$d/_qq.wav" ] && [ ! -e "$work/nowhere" ] \
   && [ "$(pair_in "$d")" = "$default_pair" ]; then
  pass "_qq.wav a dangling link" "exit 0; the link is replaced by the new file, nothing made where it pointed"
else
  fail "_qq.wav a dangling link" "status $status, stderr '$err'"
fi

d="$work/wav-link"
mkdir -p "$d" && printf 'precious' > "$work/precious" && chmod 4755 "$work/precious"
ln -s "$work/precious" "$d/_qq.wav" && ln -s "$work/precious" "$d/9_fmsig.h"
run "$tarvel" wav -C "$d"
if [ "$status" -eq 0 ] && [ "$(cat "$work/precious")" = precious ] && [ ! -L "$d/_qq.wav" ] && [ ! -L "$d/9_fmsig.h" ] \
   && [ "$(stat -c %a "$work/precious")" = 4755 ] && [ "$(stat -c %a "$d/_qq.wav")" != 4755 ]; then
  pass "links to a setuid file" "exit 0; both links replaced, the file they pointed to untouched"
else
  fail "links to a setuid file" "status $status, stderr '$err'"
fi

echo "== interrupted and concurrent sends"
# A catchable signal leaves the old pair or the new one. SIGKILL between the two renames may
# leave the new _qq.wav beside the old table, with the new table under a hidden name and the
# lock file; the next send mends that.
kill_leftovers='^(\.9_fmsig\.h\.[0-9a-f]{8}\.tmp |\._qq\.wav\.[0-9a-f]{8}\.tmp |\.tarvel\.lock )*9_fmsig\.h _qq\.wav $'
for sig in INT TERM HUP USR1 ALRM KILL; do
  d="$work/killed-$sig"
  prepare "$d"
  new_wav_old_table="$(cut -d' ' -f1 <<<"$default_pair") $(cut -d' ' -f2 <<<"$previous_pair") "
  bad=""
  for i in $(seq 1 10); do
    # A background job starts with SIGINT ignored; the send gets every signal at its default.
    env --default-signal "$tarvel" wav -C "$d" >/dev/null 2>&1 &
    pid=$!
    sleep "0.00$((RANDOM % 10))"
    kill -s "$sig" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pair=$(pair_in "$d")
    names=$(ls -A "$d" | tr '\n' ' ')
    case "$pair" in "$previous_pair" | "$default_pair") ;; "$new_wav_old_table") [ "$sig" = KILL ] || bad="mixed pair" ;; *) bad="mixed pair" ;; esac
    if [ "$sig" = KILL ]; then
      [[ "$names" =~ $kill_leftovers ]] || bad="left: $names"
    elif [ "$names" != "9_fmsig.h _qq.wav " ]; then
      bad="left: $names"
    fi
    if [ -n "$bad" ]; then
      bad="after run $i: $bad / $pair"
      break
    fi
  done
  "$tarvel" wav -C "$d" --pilot-hz 1500 >/dev/null
  if [ -z "$bad" ] && [ "$(pair_in "$d")" = "$previous_pair" ] && [ "$(ls -A "$d" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ]; then
    pass "send killed with SIG$sig (10 times)" "always the files of one send (KILL: or what it may leave, mended by the next send)"
  else
    fail "send killed with SIG$sig" "${bad:-the next send did not mend the folder}"
  fi
done

# The signal arrives exactly between the two renames (strace injects it at the second).
if strace -o /dev/null -e inject=renameat:signal=SIGTERM:when=2 true 2>/dev/null; then
  d="$work/between-TERM"
  prepare "$d"
  strace -o /dev/null -e inject=renameat:signal=SIGTERM:when=2 "$tarvel" wav -C "$d" >/dev/null 2>&1
  status=$?
  if [ "$status" -eq 143 ] && [ "$(pair_in "$d")" = "$default_pair" ] && [ "$(ls -A "$d" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ]; then
    pass "SIGTERM between the renames" "ended by the signal after both: the new pair, nothing else"
  else
    fail "SIGTERM between the renames" "status $status, $(ls -A "$d" | tr '\n' ' ') / $(pair_in "$d")"
  fi
  d="$work/between-KILL"
  prepare "$d"
  strace -o /dev/null -e inject=renameat:signal=SIGKILL:when=2 "$tarvel" wav -C "$d" >/dev/null 2>&1
  left="$(ls -A "$d" | tr '\n' ' ')/ $(pair_in "$d")"
  "$tarvel" wav -C "$d" >/dev/null
  new_wav_old_table="$(cut -d' ' -f1 <<<"$default_pair") $(cut -d' ' -f2 <<<"$previous_pair") "
  if [ "$left" = ".9_fmsig.h.00000000.tmp .tarvel.lock 9_fmsig.h _qq.wav / $new_wav_old_table" ] \
     && [ "$(pair_in "$d")" = "$default_pair" ] && [ "$(ls -A "$d" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ]; then
    pass "SIGKILL between the renames" "new _qq.wav, old table, new table hidden; the next send mends it"
  else
    fail "SIGKILL between the renames" "left $left; after the next send $(ls -A "$d" | tr '\n' ' ')"
  fi
else
  skip "signal between the renames" "strace cannot trace here (not installed or ptrace refused)"
fi

# What a send removes: the hidden temporaries named after its own two files, and nothing else.
d="$work/stale"
prepare "$d"
ours=(._qq.wav.0123abcd.tmp .9_fmsig.h.89abcdef.tmp)
others=(.9_fmsig.h.0123ABCD.tmp ._qq.wav.0123abc.tmp ._qq.wav.tmp .notes.0123abcd.tmp ._qq.wav.0123abcd.tmp.keep _qq.wav.0123abcd.tmp)
for f in "${ours[@]}" "${others[@]}"; do echo left > "$d/$f"; done
"$tarvel" wav -C "$d" >/dev/null
left=$(cd "$d" && ls -A | grep -vxE '_qq\.wav|9_fmsig\.h' | sort | tr '\n' ' ')
wanted=$(printf '%s\n' "${others[@]}" | sort | tr '\n' ' ')
if [ "$left" = "$wanted" ] && [ "$(pair_in "$d")" = "$default_pair" ]; then
  pass "temporaries a killed send left" "the next send removes them and keeps files it did not make"
else
  fail "temporaries a killed send left" "left: $left; wanted: $wanted"
fi

d="$work/concurrent"
prepare "$d"
vox_pair=$(pair_of --mode vox)
( for i in $(seq 1 15); do "$tarvel" wav -C "$d" >/dev/null; done ) &
writer1=$!
( for i in $(seq 1 15); do "$tarvel" wav -C "$d" --mode vox >/dev/null; done ) &
writer2=$!
mixed=0 looks=0
while kill -0 "$writer1" 2>/dev/null || kill -0 "$writer2" 2>/dev/null; do
  # Between sends (the folder's lock held, as a send holds it) the files are one send's.
  pair=$(flock "$d" sh -c 'cd "$1" && md5sum _qq.wav 9_fmsig.h | cut -d" " -f1 | tr "\n" " "' _ "$d")
  looks=$((looks + 1))
  case "$pair" in "$previous_pair" | "$default_pair" | "$vox_pair") ;; *) mixed=$((mixed + 1)) ;; esac
done
wait
pair=$(pair_in "$d")
if [ "$mixed" -eq 0 ] && { [ "$pair" = "$default_pair" ] || [ "$pair" = "$vox_pair" ]; } \
   && [ "$(ls -A "$d" | tr '\n' ' ')" = "9_fmsig.h _qq.wav " ]; then
  pass "two senders, 15 sends each" "the files of one send at every one of $looks looks"
else
  fail "two senders, 15 sends each" "$mixed of $looks looks saw files of two sends"
fi

echo "== recordings (tarvel decode)"
d="$work/rec"
mkdir -p "$d"
"$tarvel" wav -C "$d" >/dev/null
expected=$("$tarvel" frame)

# A decode: status as expected, nothing on stdout for a refusal, one reason on stderr.
expect_decode()
{
  local name=$1 want=$2 seen=$3
  shift 3
  run timeout 120 "$tarvel" decode "$@"
  if [ "$status" -ne "$want" ]; then
    fail "$name" "status $status (wanted $want), stderr '$err'"
  elif [ "$want" -ne 0 ] && [ -n "$out" ]; then
    fail "$name" "a refusal printed on stdout: '$out'"
  elif [ "$want" -ne 0 ] && [ -z "$err" ]; then
    fail "$name" "refused without a reason"
  elif [ "$want" -eq 0 ] && [ "${out%%$'\n'*}" != "$expected" ]; then
    fail "$name" "decoded '${out%%$'\n'*}', sent '$expected'"
  else
    pass "$name" "exit $want; $seen"
  fi
}

: > "$d/empty.wav"
expect_decode "recording empty" 2 "refused as unreadable" "$d/empty.wav"
printf 'These are not the samples you are looking for.\n' > "$d/text.wav"
expect_decode "recording not audio" 2 "refused as unreadable" "$d/text.wav"
expect_decode "recording /dev/zero" 2 "refused as unreadable, no hang" /dev/zero
mkfifo "$d/fifo.wav"
cat "$d/_qq.wav" > "$d/fifo.wav" &
expect_decode "recording through a FIFO" 0 "read as it streams in, CRC ok" "$d/fifo.wav"
wait

# The send's header with another rate, channel count or data size (little-endian fields).
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
wav_header() # rate channels data_bytes
{
  printf 'RIFF'; le32 $(($3 + 36)); printf 'WAVEfmt '; le32 16; le16 1; le16 "$2"
  le32 "$1"; le32 $(($1 * $2 * 2)); le16 $(($2 * 2)); le16 16; printf 'data'; le32 "$3"
}
for rate in 0 10000000; do
  { wav_header "$rate" 1 157536; tail -c 157536 "$d/_qq.wav"; } > "$d/rate-$rate.wav"
  expect_decode "recording at $rate Hz" 2 "refused: rate outside what is decoded" "$d/rate-$rate.wav"
done
sox "$d/_qq.wav" -c 64 "$d/64ch.wav" 2>/dev/null
expect_decode "recording with 64 channels" 0 "channels mixed to one, CRC ok" "$d/64ch.wav"
sox "$d/_qq.wav" "$d/clipped.wav" vol 8 2>/dev/null
expect_decode "recording clipped (x8 gain)" 0 "CRC ok despite the clipping" "$d/clipped.wav"

if [ "${TARVEL_LONG_CASES:-1}" != 0 ]; then
  # Ten hours of silence at 8 kHz (576 MB, sparse on disk): streamed, so memory stays small.
  { wav_header 8000 1 576000000; } > "$d/ten-hours.wav"
  truncate -s 576000044 "$d/ten-hours.wav"
  timeout 600 /usr/bin/time -f '%M %e' -o "$work/.time" "$tarvel" decode "$d/ten-hours.wav" >/dev/null 2>&1
  status=$?
  read -r peak seconds < <(tail -n 1 "$work/.time") # GNU time puts the exit status on a line before
  if [ "$status" -eq 1 ] && [ "${peak:-999999}" -lt 200000 ] 2>/dev/null; then
    pass "recording ten hours long" "exit 1 (no signal) after $seconds s; peak memory $((peak / 1024)) MB for 576 MB of samples"
  else
    fail "recording ten hours long" "status $status, peak memory '${peak:-}' KB"
  fi
  rm -f "$d/ten-hours.wav"
else
  skip "recording ten hours long" "TARVEL_LONG_CASES=0"
fi

echo "== option values"
# Every option that takes a value, with a wrong, empty, huge, negative and non-ASCII value:
# refused with status 2 and one line on stderr, nothing on stdout, no file written.
d="$work/options"
mkdir -p "$d"
bad_values=("" "x" "99999999999999999999999" "-1" "двадцать" $'\x1b[31m' "1e3" " 5")
refused=0 wrong=()
for pair in "frame --mode" "frame --pilot-hz" "frame --vox-threshold" "frame --vox-release-ms" "frame --max-tx-s" \
            "wav --mode" "wav --pilot-hz" "wav --vox-threshold" "wav --vox-release-ms" "wav --max-tx-s" \
            "wav --alfa" "wav -C"; do
  read -r command option <<<"$pair"
  for value in "${bad_values[@]}"; do
    [ "$option" = "-C" ] && [ "$value" != "" ] && continue # any other text names a folder
    run bash -c 'cd "$1" && shift && exec "$@"' _ "$d" "$tarvel" "$command" "$option" "$value"
    if [ "$status" -eq 2 ] && [ -z "$out" ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [ -z "$(ls -A "$d")" ]; then
      refused=$((refused + 1))
    else
      wrong+=("$command $option '$value': status $status, stderr '$err'")
    fi
  done
  run "$tarvel" "$command" "$option" # the value missing at the end
  [ "$status" -eq 2 ] && refused=$((refused + 1)) || wrong+=("$command $option (no value): status $status")
done
for value in "${bad_values[@]}" "--bogus"; do
  run "$tarvel" decode "$value"
  [ "$status" -eq 2 ] && [ -z "$out" ] && refused=$((refused + 1)) || wrong+=("decode '$value': status $status")
done
if [ ${#wrong[@]} -eq 0 ]; then
  pass "option values ($refused combinations)" "each refused with exit 2 and one line on stderr; no file written"
else
  fail "option values" "${wrong[*]}"
fi

echo "bad_input: $cases cases, $failures failed, $skips skipped"
[ "$failures" -eq 0 ]
