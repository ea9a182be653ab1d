# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the programs a shell script runs, one "NAME FILE" a line: every word that stands
# where bash looks for a command (a line's start, after ; & | && || ( $( { and the keywords
# that open a command list, inside "sh -c '...'" and behind wrappers such as timeout, env,
# exec, xargs, flock and unshare). Variables, paths into the project, case patterns and
# options are left out; builtins and the script's own functions are left to the caller.
# Not a full shell parser: it reads the plain bash of this project's scripts.
#   awk -f shell-commands.awk FILE...
function name_like(w) { return w ~ /^[A-Za-z_][A-Za-z0-9_.+-]*$/ }

function emit(w, file,    base)
{
    if (w ~ /^\/(usr\/)?s?bin\/[A-Za-z0-9_.+-]+$/) {
        base = w
        sub(/.*\//, "", base)
        w = base
    }
    if (name_like(w))
        print w, file
}

# The word just read, in command position: decides what the next word is.
function take(w, file,    system_path)
{
    system_path = w ~ /^\/(usr\/)?s?bin\//
    if (system_path) sub(/.*\//, "", w)
    if (!system_path) {
        if (w in keyword_opens) { cmdpos = 1; return }
        if (w in keyword_closes) { cmdpos = 0; return }
        if (w == "for" || w == "case" || w == "select") { cmdpos = 0; return }
    }
    if (wrapped) {
        # Behind a wrapper: skip its options (and the value of those that take one),
        # assignments and numbers; the first remaining word is the program it runs.
        if (skip_value) { skip_value = 0; return }
        if (w ~ /^-/) {
            if ((wrapper "|" w) in wrapper_value)
                skip_value = 1
            return
        }
        if (w ~ /^[A-Za-z_][A-Za-z0-9_]*=/ || w ~ /^[0-9.]+[smhd]?$/)
            return
        if (wrapper == "flock" && !flock_file) { flock_file = 1; return } # the file it locks
        if (!name_like(w)) { wrapped = 0; cmdpos = 0; return } # a variable or a path of ours
    }
    if (w ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=/) return  # VAR=value before a command
    emit(w, file)
    wrapped = 0
    cmdpos = 0
    if (w in wrappers) { wrapped = 1; wrapper = w; cmdpos = 1; flock_file = 0 }
    if (w == "sh" || w == "bash") shell_c = 1
}

function end_word(file, closing_paren)
{
    if (word == "") return
    if (cmdpos) {
        # A word that a ")" closes at depth 0 is a case pattern, not a command.
        if (!(closing_paren && depth == 0))
            take(word, file)
    } else if (shell_c && word == "-c") {
        shell_c = 2
    }
    last = word
    word = ""
}

function separator()
{
    cmdpos = 1
    wrapped = 0
    skip_value = 0
    shell_c = 0
}

# Index just past the ")" that closes the "(" before position i, quotes and nesting taken
# into account (approximately).
function matching_paren(text, i,    n, c, nest)
{
    n = length(text)
    nest = 1
    for (; i <= n; i++) {
        c = substr(text, i, 1)
        if (c == "\\") { i++; continue }
        if (c == "'") { i = index(substr(text, i + 1), "'") + i; continue }
        if (c == "(") nest++
        if (c == ")" && --nest == 0) return i + 1
    }
    return n + 1
}

function scan(text, file,    i, n, c, d, j, k, inner, saved_cmdpos, saved_depth)
{
    n = length(text)
    word = ""
    cmdpos = 1
    wrapped = 0
    skip_value = 0
    shell_c = 0
    depth = 0
    for (i = 1; i <= n; i++) {
        c = substr(text, i, 1)
        if (c == "\\") {
            # A line continuation joins the lines; any other escape is part of the word.
            if (substr(text, i + 1, 1) == "\n") { end_word(file, 0) } else word = word "Q"
            i++
            continue
        }
        if (c == "#" && word == "") {
            j = index(substr(text, i), "\n")
            if (j == 0) break
            i += j - 2
            continue
        }
        if (c == " " || c == "\t") { end_word(file, 0); continue }
        if (c == "\n" || c == ";" || (c == "{" || c == "}" || c == "!") && word == "") {
            end_word(file, 0)
            separator()
            continue
        }
        if (c == "&" || c == "|") {
            d = substr(text, i - 1, 1)
            if (d == ">" || d == "<") { word = word c; continue } # 2>&1, >|
            end_word(file, 0)
            separator()
            continue
        }
        if (c == "(") {
            if (word ~ /=$/) { # an array: (a b c)
                i = matching_paren(text, i + 1) - 1
                word = word "Q"
                continue
            }
            end_word(file, 0)
            depth++
            separator()
            continue
        }
        if (c == ")") {
            end_word(file, 1)
            # After a case pattern the branch's commands follow.
            if (depth > 0) { depth--; cmdpos = 0 } else separator()
            continue
        }
        if (c == "$") {
            d = substr(text, i + 1, 1)
            if (d == "(" && substr(text, i + 2, 1) == "(") { # arithmetic
                i = matching_paren(text, i + 2) - 1
                word = word "$"
                continue
            }
            if (d == "(") { # a command substitution: its own commands, then back in this word
                k = matching_paren(text, i + 2)
                inner = substr(text, i + 2, k - i - 3)
                scan_nested(inner, file)
                i = k - 1
                word = word "$"
                continue
            }
            if (d == "{") {
                k = index(substr(text, i), "}")
                i += k - 1
                word = word "$"
                continue
            }
            if (d == "'") {
                for (k = i + 2; k <= n; k++) {
                    if (substr(text, k, 1) == "\\") { k++; continue }
                    if (substr(text, k, 1) == "'") break
                }
                i = k
                word = word "$"
                continue
            }
            word = word "$"
            continue
        }
        if (c == "'") {
            k = index(substr(text, i + 1), "'")
            inner = substr(text, i + 1, k - 1)
            i += k
            if (shell_c == 2 && word == "") {
                scan_nested(inner, file)
                word = "Q"
            } else word = word (word == "" ? "Q" : "")
            continue
        }
        if (c == "\"") {
            # Only the command substitutions of a double-quoted text run anything, unless it is
            # the script of "sh -c".
            if (shell_c == 2 && word == "") {
                for (k = i + 1; k <= n; k++) {
                    d = substr(text, k, 1)
                    if (d == "\\") { k++; continue }
                    if (d == "\"") break
                }
                scan_nested(substr(text, i + 1, k - i - 1), file)
                i = k
                word = "Q"
                continue
            }
            for (k = i + 1; k <= n; k++) {
                d = substr(text, k, 1)
                if (d == "\\") { k++; continue }
                if (d == "\"") break
                if (d == "$" && substr(text, k + 1, 1) == "(" && substr(text, k + 2, 1) != "(") {
                    j = matching_paren(text, k + 2)
                    scan_nested(substr(text, k + 2, j - k - 3), file)
                    k = j - 1
                }
            }
            i = k
            word = word "\"Q"
            continue
        }
        if (word == "" && cmdpos && depth == 0 && match(substr(text, i), /^[^ \t\n;&|()"'$]+([ \t]*\|[ \t]*[^ \t\n;&|()]+)*[ \t]*\)/)) {
            i += RLENGTH - 1 # a case pattern: the branch's commands follow
            separator()
            continue
        }
        word = word c
    }
    end_word(file, 0)
}

# Scans a nested text and comes back to the state of the outer one.
function scan_nested(text, file,    s_word, s_cmdpos, s_wrapped, s_skip, s_shell, s_depth, s_wrapper)
{
    s_word = word; s_cmdpos = cmdpos; s_wrapped = wrapped; s_skip = skip_value
    s_shell = shell_c; s_depth = depth; s_wrapper = wrapper
    scan(text, file)
    word = s_word; cmdpos = s_cmdpos; wrapped = s_wrapped; skip_value = s_skip
    shell_c = s_shell; depth = s_depth; wrapper = s_wrapper
}

BEGIN {
    split("if then else elif do while until time ! [[ ]] {", opens, " ")
    for (i in opens) keyword_opens[opens[i]] = 1
    split("fi done esac }", closes, " ")
    for (i in closes) keyword_closes[closes[i]] = 1
    split("timeout env exec sudo nice xargs flock unshare xvfb-run time command nohup setsid", w, " ")
    for (i in w) wrappers[w[i]] = 1
    split("timeout|-s timeout|-k env|-u xargs|-P xargs|-n xargs|-L xargs|-d flock|-w flock|-E " \
          "nice|-n xvfb-run|-s xvfb-run|-n xvfb-run|-e xvfb-run|-f xvfb-run|-p time|-f time|-o " \
          "sudo|-u", v, " ")
    for (i in v) wrapper_value[v[i]] = 1
}

FNR == 1 && NR > 1 { scan(text, previous); text = "" }
{ text = text $0 "\n"; previous = FILENAME }
END { if (text != "") scan(text, previous) }
