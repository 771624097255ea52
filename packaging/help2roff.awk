# Turns the --help of percorso or of one of its commands (CLI11's layout) into the roff
# of a manual page section. Variables:
#   part=name      prints the NAME line: the first line of the description
#   part=synopsis  prints the synopsis lines (the program's options, or the command's usage)
#   part=top       prints DESCRIPTION from the program's --help: its text and footer
#   part=options   prints OPTIONS from the program's --help: its tables
#   part=command   prints the subsection of one command (its --help on input)
#
# The layout read: the description, "Usage: ...", then tables under "Options:",
# "Positionals:", "Subcommands:" (or a named group of options), each row
# "  NAMES TYPE=DEFAULT   meaning", then the footer: paragraphs of text, and indented
# lines (the examples) kept as they are.

function trim(s) { sub(/^ +/, "", s); sub(/ +$/, "", s); return s }

# Text in roman: backslashes escaped, a leading dot or quote kept from being a request.
function text(s) {
  gsub(/\\/, "\\\\e", s)
  if (s ~ /^[.']/) s = "\\&" s
  return s
}

# A command line or an option name: hyphens are minus signs, so that it can be copied.
function code(s) {
  s = text(s)
  gsub(/-/, "\\\\-", s)
  return s
}

# Prose: an option or a file name in it gets minus signs, a word's own hyphen
# ("built-in") stays a hyphen.
function prose(s,   n, w, i, j, out, word, before, after) {
  n = split(text(s), w, / /)
  out = ""
  for (i = 1; i <= n; i++) {
    word = w[i]
    if (word ~ /^[("]?-/) gsub(/-/, "\\\\-", word)
    else {
      for (j = length(word); j >= 1; j--) {
        if (substr(word, j, 1) != "-") continue
        before = substr(word, j - 1, 1); after = substr(word, j + 1, 1)
        if (j == 1 || before !~ /[A-Za-z0-9]/ || after !~ /[A-Za-z0-9]/)
          word = substr(word, 1, j - 1) "\\-" substr(word, j + 1)
      }
    }
    out = i == 1 ? word : out " " word
  }
  return out
}

# Several lines of prose, each escaped on its own.
function lines(s,   n, each, i) {
  n = split(s, each, "\n")
  for (i = 1; i <= n; i++) print prose(each[i])
}

function flush_paragraph() {
  if (para != "" && part != "options") { print ".PP"; lines(para) }
  para = ""
}

# The usage line: the program and the command in bold, the placeholders in italic.
function usage_line(   n, words, i, bold, line) {
  n = split(usage, words, " ")
  bold = (n >= 2 && words[2] ~ /^[a-z]/) ? 2 : 1
  line = "\\fB" code(bold == 2 ? words[1] " " words[2] : words[1]) "\\fR"
  for (i = bold + 1; i <= n; i++)
    line = line " " (words[i] ~ /^\[/ ? code(words[i]) : "\\fI" text(words[i]) "\\fR")
  return line
}

function flush_example() {
  if (nex == 0 || part == "options") { nex = 0; return }
  print ".PP"; print ".RS 4"; print ".nf"
  for (i = 1; i <= nex; i++) print code(ex[i])
  print ".fi"; print ".RE"
  nex = 0
}

function flush_footer() { flush_paragraph(); flush_example() }

# One table row: the names in bold (options) or italic (positionals), the type of the
# value in italic, the default and REQUIRED folded into the meaning.
function flush_row(   n, words, i, tag, extra, w, eq) {
  if (row_name == "") return
  if (part != "top" && !(skip_help && row_name ~ /^-h,--help$/) && table != "Subcommands") {
    n = split(row_name, words, " ")
    if (words[1] ~ /^-/) {
      tag = "\\fB" code(words[1]) "\\fR"
      gsub(/,/, "\\\\fR, \\\\fB", tag)
      i = 2
    } else {
      tag = "\\fI" text(words[1]) "\\fR"
      i = 2
      if (table == "Positionals" && n >= 2 && words[2] ~ /^[A-Z]+$/ && words[2] != "REQUIRED") i = 3
    }
    extra = ""
    for (; i <= n; i++) {
      w = words[i]
      if (w == "REQUIRED") { extra = extra " (required)"; continue }
      eq = index(w, "=")
      if (eq > 0) {
        extra = extra " (default: " substr(w, eq + 1) ")"
        w = substr(w, 1, eq - 1)
      }
      tag = tag " \\fI" text(w) "\\fR"
    }
    print ".TP"
    print tag
    print prose(row_text extra)
  }
  row_name = ""; row_text = ""
}

function start_table(name) {
  flush_footer()
  table = name
  if (part == "options" && table != "Subcommands") print ".SH " toupper(table)
  else if (part == "command" && table != "Subcommands") {
    print ".PP"; print "\\fI" text(table) "\\fR"
  }
}

BEGIN { stage = "description"; table = ""; skip_help = (part == "command"); nex = 0 }

stage == "description" && /^Usage: / {
  usage = substr($0, 8)
  stage = "body"
  if (part == "name" || part == "synopsis") next
  if (part == "top") {
    print ".SH DESCRIPTION"
    lines(description)
  } else if (part == "command") {
    print ".SS " code(command)
    lines(description)
    print ".PP"
    print usage_line()
  }
  next
}

stage == "description" {
  if (part == "name" && description == "") {
    line = $0; sub(/\.$/, "", line)
    print "percorso \\- " text(tolower(substr(line, 1, 1)) substr(line, 2))
  }
  description = description == "" ? $0 : description "\n" $0
  next
}

part == "name" { next }

# Program options become synopsis lines of their own; a command shows its usage line.
part == "synopsis" {
  if (/^[A-Za-z][A-Za-z ]*:$/) { table = substr($0, 1, length($0) - 1); next }
  if (/^$/) { table = ""; next }
  if (command == "" && table == "Options" && /^  -/) {
    names = trim($0); sub(/  .*/, "", names); sub(/ .*/, "", names)
    n = split(names, each, ","); print "\\fBpercorso " code(each[n]) "\\fR"; print ".br"
  }
  next
}

# A heading: a table of CLI11's, or a group of options (its first row an option).
/^[A-Za-z][A-Za-z ]*:$/ {
  heading = substr($0, 1, length($0) - 1)
  if (heading == "Options" || heading == "Positionals" || heading == "Subcommands") {
    flush_row(); start_table(heading); next
  }
  if ((getline next_line) > 0) {
    if (next_line ~ /^  -/) {
      flush_row(); start_table(heading)
      $0 = next_line
    } else {
      flush_row(); table = ""
      flush_footer(); para = $0
      $0 = next_line
    }
  } else {
    flush_row(); table = ""; flush_footer(); para = $0; next
  }
}

table != "" && /^$/ { flush_row(); table = ""; next }

table != "" && /^    / { row_text = trim(row_text " " trim($0)); next }

table != "" && /^  [^ ]/ {
  flush_row()
  row = substr($0, 3)
  gap = index(row, "  ")
  if (gap > 0) { row_name = substr(row, 1, gap - 1); row_text = trim(substr(row, gap)) }
  else { row_name = row; row_text = "" }
  next
}

# The footer.
/^$/ { flush_footer(); next }
/^ / { flush_paragraph(); ex[++nex] = trim($0); next }
{ flush_example(); para = para == "" ? $0 : para "\n" $0 }

END {
  flush_row(); flush_footer()
  if (part == "synopsis" && command != "") { print usage_line(); print ".br" }
}
