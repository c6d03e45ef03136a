# bash completion for kestrivane-cli
#
# Commands and options are read from the program's own help when first needed
# (kestrivane-cli --help, kestrivane-cli COMMAND --help) and kept for the rest
# of the shell session, so the completion follows the program as it changes.

declare -gA _kestrivane_cli_cache

# Sets _kestrivane_cli_text to the help text of the program $1 (of its
# command $2 when given). Runs the program once per shell for each; call it
# outside a pipeline or $(...), or the cache is lost with the subshell.
_kestrivane_cli_help() {
  local key="$1"$'\x1f'"$2"
  if [[ -z ${_kestrivane_cli_cache[$key]+set} ]]; then
    if [[ -n $2 ]]; then
      _kestrivane_cli_cache[$key]=$("$1" "$2" --help 2>/dev/null)
    else
      _kestrivane_cli_cache[$key]=$("$1" --help 2>/dev/null)
    fi
  fi
  _kestrivane_cli_text=${_kestrivane_cli_cache[$key]}
}

# The command names: the first word of each two-space indented line of the
# command list.
_kestrivane_cli_commands() {
  _kestrivane_cli_help "$1"
  printf '%s\n' "$_kestrivane_cli_text" | awk '
    /^Commands:/ { listed = 1; next }
    listed && /^  [a-z][a-z0-9-]*( |$)/ { print $1 }'
}

# The value an option takes, as the command's usage line writes it
# ("--out FILE.png", "--window main|stats|projections") or an option line of
# its help ("  --out=FILE  ..."); nothing for a flag ("[--force]").
_kestrivane_cli_value_of() {
  _kestrivane_cli_help "$1" "$2"
  printf '%s\n' "$_kestrivane_cli_text" | awk -v opt="$3" '
    function value_after(i,    word, rest) {
      word = $i; sub(/^[[(]+/, "", word)
      if (index(word, opt) != 1) return "-"
      rest = substr(word, length(opt) + 1)
      if (rest ~ /^=/) { sub(/^=/, "", rest); sub(/[])]+$/, "", rest); return rest }
      if (rest != "") return "-"          # another option, or "--opt]": a flag
      if (i == NF) return ""
      word = $(i + 1); gsub(/[][()]/, "", word)
      return (word ~ /^-/ || word == "|" || word == "") ? "" : word
    }
    /^Usage:/ || /^ +-/ {
      for (i = 1; i <= NF; i++) {
        v = value_after(i)
        if (v != "-") { print v; exit }
      }
    }'
}

_kestrivane_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev= cword=$COMP_CWORD
  local prog=${COMP_WORDS[0]}
  prog=${prog/#\~/$HOME}
  [[ $prog == */* && -x $prog ]] || prog=$(type -P kestrivane-cli) || return 0
  COMPREPLY=()

  # --opt=value arrives as "--opt" "=" "value"
  if [[ $cur == = ]]; then
    prev=${COMP_WORDS[cword - 1]}; cur=
  elif (( cword >= 2 )) && [[ ${COMP_WORDS[cword - 1]} == = ]]; then
    prev=${COMP_WORDS[cword - 2]}
  elif (( cword >= 1 )); then
    prev=${COMP_WORDS[cword - 1]}
  fi

  if (( cword == 1 )); then
    if [[ $cur == -* ]]; then
      local opts=--help
      _kestrivane_cli_help "$prog"
      [[ $_kestrivane_cli_text == *--version* ]] && opts+=' --version'
      mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
    else
      _kestrivane_cli_help "$prog"                # fills the cache in this shell
      mapfile -t COMPREPLY < <(compgen -W "$(_kestrivane_cli_commands "$prog")" -- "$cur")
    fi
    return 0
  fi

  local command=${COMP_WORDS[1]}
  if [[ $prev == --* ]]; then
    local value
    _kestrivane_cli_help "$prog" "$command"       # fills the cache in this shell
    value=$(_kestrivane_cli_value_of "$prog" "$command" "$prev")
    if [[ -n $value ]]; then
      case $value in
        *DIR*)
          compopt -o filenames 2>/dev/null
          mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
        *,*) ;;                             # a compound value: nothing to offer
        *FILE*|*.*)
          compopt -o filenames 2>/dev/null
          mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        *'|'*)
          [[ $value =~ ^[a-z0-9|]+$ ]] &&
            mapfile -t COMPREPLY < <(compgen -W "${value//|/ }" -- "$cur") ;;
      esac
      return 0
    fi
  fi

  if [[ $cur == -* ]]; then
    local opts
    _kestrivane_cli_help "$prog" "$command"
    opts=$(printf '%s\n' "$_kestrivane_cli_text" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
    mapfile -t COMPREPLY < <(compgen -W "--help $opts" -- "$cur")
  else
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
  return 0
}

complete -F _kestrivane_cli kestrivane-cli
