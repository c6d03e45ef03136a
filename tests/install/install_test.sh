#!/usr/bin/env bash
# Installs a build into a temporary root, as a packager does with DESTDIR, and
# checks what the user of the installed program meets: the installed files,
# the manual pages as man renders them, the shell completion computed by bash
# and the desktop entry.
#
# Usage: install_test.sh BUILD_DIR WITH_DESKTOP(0|1)
set -u
build=$1 with_desktop=$2
export LC_ALL=C.UTF-8 MANWIDTH=80

if [[ $with_desktop == 1 && ! -x $build/kestrivane ]]; then
  echo "the desktop program is not built: cmake --build $build --target kestrivane"
  exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi
usr=$tmp/root/usr

# Every file in its place, and nothing else (nothing outside the prefix either).
expected=(
  bin/kestrivane-cli
  share/bash-completion/completions/kestrivane-cli
  share/doc/kestrivane/help.html
  share/kestrivane/samples/GE.csv
  share/kestrivane/samples/KO.csv
  share/kestrivane/samples/PG.csv
  share/man/man1/kestrivane-cli.1
)
if [[ $with_desktop == 1 ]]; then
  expected+=(
    bin/kestrivane
    share/applications/kestrivane.desktop
    share/icons/hicolor/scalable/apps/kestrivane.svg
    share/kestrivane/docs/help.html
    share/man/man1/kestrivane.1
  )
fi
# chart's PNG drawing, beside the program, in every build that has Qt.
[[ -e $build/kestrivane-png.so ]] && expected+=(bin/kestrivane-png.so)
if ! diff <(printf 'usr/%s\n' "${expected[@]}" | sort) \
          <(cd "$tmp/root" && find . ! -type d | sed 's|^\./||' | sort) >"$tmp/files.diff"; then
  fail "installed files differ from the expected list (< expected, > installed):"
  cat "$tmp/files.diff"
fi
for program in "$usr"/bin/*; do
  [[ -x $program ]] || fail "$program is not executable"
done
"$usr/bin/kestrivane-cli" --help >"$tmp/help.txt" 2>&1 || fail "the installed kestrivane-cli --help failed"
commands=$(awk '/^Commands:/ { listed = 1; next } listed && /^  [a-z]/ { print $1 }' "$tmp/help.txt")
[[ -n $commands ]] || fail "no command listed by kestrivane-cli --help"

# The manual pages render without a warning; the command-line page describes
# every command the program lists, where kv.dat lives and the exit statuses.
for page in "$usr"/share/man/man1/*.1; do
  if ! man --warnings=w -l "$page" >"$tmp/page.txt" 2>"$tmp/page.err" || [[ -s $tmp/page.err ]]; then
    fail "man -l $(basename "$page"):"; cat "$tmp/page.err"
  fi
  [[ $(basename "$page") == kestrivane-cli.1 ]] || continue
  for command in $commands; do
    grep -Eq "^ +$command( |\$)" "$tmp/page.txt" || fail "kestrivane-cli.1 does not describe \"$command\""
  done
  for text in 'EXIT STATUS' '~/.config/kestrivane/kv.dat' 'Wrong usage'; do
    grep -Fq "$text" "$tmp/page.txt" || fail "kestrivane-cli.1 does not say \"$text\""
  done
done

# The completion script: its syntax, then completions computed by bash with the
# installed program on the PATH, in a folder holding a file and a folder.
completion=$usr/share/bash-completion/completions/kestrivane-cli
bash -n "$completion" || fail "bash -n $completion"
mkdir -p "$tmp/work/quotes" && touch "$tmp/work/model.kvn"
# what is typed (a trailing space: a new word is completed) | must be offered | must not
cases=(
  "kestrivane-cli |train batch download|"
  "kestrivane-cli tr|train|batch"
  "kestrivane-cli train model.kvn --|--time --seed --help|--window"
  "kestrivane-cli chart model.kvn --window |main stats projections|model.kvn"
  "kestrivane-cli chart model.kvn --window=pro|projections|main"
  "kestrivane-cli chart --window w|walkforward|main"
  "kestrivane-cli chart --window walkforward --from |model.kvn quotes|--out"
  "kestrivane-cli download --dest |quotes|model.kvn"
  "kestrivane-cli search model.kvn --force |model.kvn|--force"
  "kestrivane-cli train model.kvn --time ||model.kvn"
)
for case in "${cases[@]}"; do
  IFS='|' read -r typed want refuse <<<"$case"
  offered=$(cd "$tmp/work" && PATH=$usr/bin:$PATH bash -c '
    source "$1"
    # bash splits --opt=value at the "=" before the completion sees it
    line=${2//=/ = }
    read -ra COMP_WORDS <<<"$line"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
    _kestrivane_cli
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$typed")
  for word in $want; do
    grep -Fxq -- "$word" <<<"$offered" || fail "\"$typed\" does not offer $word (offers: $(echo $offered))"
  done
  for word in $refuse; do
    grep -Fxq -- "$word" <<<"$offered" && fail "\"$typed\" offers $word"
  done
done

if [[ -f $usr/share/applications/kestrivane.desktop ]]; then
  desktop-file-validate "$usr/share/applications/kestrivane.desktop" || fail "desktop-file-validate"
fi

[[ $failures == 0 ]] && echo "installed and checked: ${#expected[@]} files"
exit $(( failures > 0 ))
