# Bash completion of the plenorium command: its sub-commands and each one's options, read from the
# command's own --help, so that it never drifts from it. Installed as
# /usr/share/bash-completion/completions/plenorium.
_plenorium() {
  local cur=${COMP_WORDS[COMP_CWORD]} command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    case $word in
      -*) ;;
      *) command=$word; break ;;
    esac
  done
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "--help --version --plugin" -- "$cur")
    else
      local commands
      commands=$("${COMP_WORDS[0]}" --help 2>/dev/null | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
      mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    fi
    return
  fi
  if [[ $cur == -* ]]; then
    local options
    options=$("${COMP_WORDS[0]}" "$command" --help 2>/dev/null | grep -oE '(^|[ ,])--?[a-zA-Z][a-zA-Z-]*' | tr -d ' ,' | sort -u)
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    return
  fi
  # Projects, clips and outputs are files.
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  compopt -o filenames 2>/dev/null
}
complete -F _plenorium plenorium
