# bash completion for percorso                                  -*- shell-script -*-
#
# The commands and their options are read from the program's own --help each time, so
# that they follow the program as it is; the values of --line and --train are the line
# names and train numbers of the routes in the directory given by --dir on the line
# (the current directory without one): the text pairs NAME_linea.txt + NAME_NUMBER-.txt
# and the compiled scenarios NAME_NUMBER.sim. The values of a FORMAT come from the
# option's own help line, the warning names of --no-warn and the codes of `explain`
# from `percorso explain --list`.

# The rows of one table of a --help ("Options", "Subcommands", "Positionals"), the
# first column only: "-o,--output FILE", "compile", "FILE TEXT REQUIRED".
_percorso_rows() {
    awk -v table="$1:" '
        $0 == table { on = 1; next }
        on && !/^  [^ ]/ { on = 0 }
        on { row = substr($0, 3); sub(/  .*/, "", row); print row }'
}

# The values an option's help line offers as "a (default), or b or c: ...", but the
# default: b and c. $1 is the option, the help on standard input.
_percorso_choices() {
    awk -v option="$1" '
        /^  -/ {
            names = substr($0, 3); sub(/ .*/, "", names)
            n = split(names, each, ",")
            for (i = 1; i <= n; i++) if (each[i] == option) found = 1
            if (!found) next
            text = $0; sub(/^  [^ ]+( [^ ]+)?  +/, "", text); sub(/:.*/, "", text)
            gsub(/,/, " ", text)
            n = split(text, word, " ")
            for (i = 1; i <= n; i++) {
                if (word[i] == "or" || word[i] ~ /^\(/ || word[i + 1] == "(default)") continue
                print word[i]
            }
            exit
        }'
}

# The codes `percorso explain` knows, from its --list ("error 16: ...", "warning NAME: ...");
# with "warning" as $2, the warning names only.
_percorso_codes() {
    "$1" explain --list 2>/dev/null |
        awk -v only="${2-}" 'only == "" || $1 == only { code = $2; sub(/:$/, "", code); print code }'
}

# The routes in directory $1, one "NAME NUMBER" a line.
_percorso_routes() {
    local dir=$1 f base line lines=() found
    for f in "$dir"/*_linea.txt "$dir"/*_linea.dat; do
        [[ -e $f ]] || continue
        base=${f##*/}
        lines+=("${base%_linea.*}")
    done
    for f in "$dir"/*-.txt "$dir"/*.sim; do
        [[ -e $f ]] || continue
        base=${f##*/}
        base=${base%-.txt}
        base=${base%.sim}
        [[ $base == *_linea ]] && continue
        found=
        # The longest line name of the directory that the file name starts with, since
        # line names may hold underscores themselves.
        for line in "${lines[@]}"; do
            if [[ $base == "${line}"_?* && ${#line} -gt ${#found} ]]; then found=$line; fi
        done
        if [[ -n $found ]]; then
            printf '%s %s\n' "$found" "${base#"${found}"_}"
        elif [[ $base == ?*_?* ]]; then
            printf '%s %s\n' "${base%_*}" "${base##*_}"
        fi
    done
}

_percorso() {
    local exe=${COMP_WORDS[0]}
    [[ $exe == "~/"* ]] && exe=$HOME/${exe#"~/"}
    COMPREPLY=()

    # "--dir=routes" reaches us as three words, "--dir", "=" and "routes"; "--dir=" as two.
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    if [[ $cur == "=" ]]; then
        cur=
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    elif ((COMP_CWORD >= 2)) && [[ ${COMP_WORDS[COMP_CWORD - 1]} == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif ((COMP_CWORD >= 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi

    # The command is the first word that --help lists as one; the --dir and the line
    # name given so far narrow the values offered.
    local commands command= dir=. line= train= i word value
    commands=$("$exe" --help 2>/dev/null | _percorso_rows Subcommands)
    local at
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $command && $word != -* ]] && grep -qxF -- "$word" <<<"$commands"; then
            command=$word
        fi
        at=$((i + 1))
        [[ ${COMP_WORDS[at]} == "=" ]] && at=$((at + 1))
        ((at < COMP_CWORD)) || continue
        value=${COMP_WORDS[at]}
        case $word in
            --dir) dir=$value ;;
            --line) line=$value ;;
            --train) train=$value ;;
        esac
    done
    [[ $dir == "~/"* ]] && dir=$HOME/${dir#"~/"}

    local help
    help=$("$exe" ${command:+"$command"} --help 2>/dev/null)

    # The value of an option: line names, train numbers, directories or files.
    local row names type
    if [[ $prev == -* ]]; then
        while IFS= read -r row; do
            names=${row%% *}
            [[ ,$names, == *,"$prev",* ]] || continue
            type=${row#"$names"}
            type=${type# }
            type=${type%%=*}
            [[ -z $type ]] && break  # a flag: no value
            case $prev in
                --line)
                    COMPREPLY=($(compgen -W "$(_percorso_routes "$dir" |
                        awk -v t="$train" 't == "" || $2 == t { print $1 }' | sort -u)" -- "$cur"))
                    ;;
                --train)
                    COMPREPLY=($(compgen -W "$(_percorso_routes "$dir" |
                        awk -v l="$line" 'l == "" || $1 == l { print $2 }' | sort -u)" -- "$cur"))
                    ;;
                --no-warn)
                    COMPREPLY=($(compgen -W "$(_percorso_codes "$exe" warning)" -- "$cur"))
                    ;;
                *)
                    local choices
                    choices=$(_percorso_choices "$prev" <<<"$help")
                    if [[ $type == FORMAT && -n $choices ]]; then
                        COMPREPLY=($(compgen -W "$choices" -- "$cur"))
                    elif [[ $type == DIR ]]; then
                        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                    else
                        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                    fi
                    ;;
            esac
            return 0
        done < <(_percorso_rows Options <<<"$help")
    fi

    # Options when one is begun, or after a command that takes no file.
    local positionals
    positionals=$(_percorso_rows Positionals <<<"$help")
    if [[ $cur == -* || ( -n $command && -z $positionals && -z $cur ) ]]; then
        COMPREPLY=($(compgen -W "$(_percorso_rows Options <<<"$help" |
            awk '{ n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }')" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == explain ]]; then
        COMPREPLY=($(compgen -W "$(_percorso_codes "$exe")" -- "$cur"))
    elif [[ -n $positionals ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    return 0
}

complete -o filenames -F _percorso percorso
