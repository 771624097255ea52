#!/bin/sh
# packaging/manpage.sh PERCORSO VERSION DOCDIR OUTPUT [DATADIR]
#
# Writes the manual page percorso(1) to OUTPUT from the program's own help: the NAME,
# SYNOPSIS, DESCRIPTION and OPTIONS from `PERCORSO --help`, then a subsection for every
# command that help lists, from `PERCORSO COMMAND --help`, so that a command or an
# option added to the program appears here by itself. The sections that help does not
# hold (exit status, files, an example session) come from percorso.1.tail beside this
# script, with @DOCDIR@ replaced by DOCDIR, where the documents are installed, and
# @DATADIR@ by DATADIR, where the editor files go (by default DOCDIR's share directory).
set -eu
exe=$1 version=$2 docdir=$3 output=$4 datadir=${5:-${3%/doc/*}}
here=$(dirname "$0")
awk="awk -f $here/help2roff.awk"

help=$("$exe" --help)
commands=$(printf '%s\n' "$help" \
  | awk '/^Subcommands:$/ { on = 1; next } on && !/^  [^ ]/ { on = 0 } on { print $1 }')
if [ -z "$commands" ]; then
  echo "manpage.sh: $exe --help lists no command" >&2
  exit 1
fi

tmp="$output.tmp"
{
  printf '.TH PERCORSO 1 "" "percorso %s" "User Commands"\n' "$version"
  echo ".SH NAME"
  printf '%s\n' "$help" | $awk -v part=name
  echo ".SH SYNOPSIS"
  echo ".nh"
  echo ".ad l"
  printf '%s\n' '\fBpercorso\fR'
  echo ".br"
  for c in $commands; do "$exe" "$c" --help | $awk -v part=synopsis -v command="$c"; done
  printf '%s\n' "$help" | $awk -v part=synopsis
  echo ".ad"
  echo ".hy"
  printf '%s\n' "$help" | $awk -v part=top
  printf '%s\n' "$help" | $awk -v part=options
  echo ".SH COMMANDS"
  for c in $commands; do "$exe" "$c" --help | $awk -v part=command -v command="$c"; done
  sed -e "s|@DOCDIR@|$docdir|g" -e "s|@DATADIR@|$datadir|g" "$here/percorso.1.tail"
} > "$tmp"
mv "$tmp" "$output"
