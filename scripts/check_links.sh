#!/usr/bin/env bash
# Checks that every relative link in README.md and docs/*.md resolves: the
# file or folder it names exists, and a #anchor names a heading of the
# Markdown file it points into. Links to other sites are not followed (no
# network). Prints each broken link as FILE:LINE: TARGET (why) and exits 1
# if there is any.
#
#     scripts/check_links.sh [ROOT]      # ROOT: the repository (default: this one)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
export LC_ALL=C

# The text outside code: fenced blocks and inline code spans blanked, so that
# an Octave expression such as [a, b](1:5, :) is not taken for a link. Lines
# keep their numbers.
prose() {
  sed -e '/^[[:space:]]*```/,/^[[:space:]]*```/s/.*//' -e 's/`[^`]*`//g' "$1"
}

# The anchors of a Markdown file's headings, one a line, as rendered pages
# make them: inline code and link targets dropped, lower case, punctuation
# other than - and _ removed, spaces made hyphens; a repeated heading gets
# -1, -2, ...
anchors() {
  local -A seen=()
  local slug
  while IFS= read -r slug; do
    if [[ -v seen["k$slug"] ]]; then
      seen["k$slug"]=$((seen["k$slug"] + 1))
      echo "$slug-${seen["k$slug"]}"
    else
      seen["k$slug"]=0
      echo "$slug"
    fi
  done < <(sed -e '/^[[:space:]]*```/,/^[[:space:]]*```/d' "$1" |
           sed -n -e 's/^#\{1,6\}[[:space:]]\{1,\}//p' |
           sed -e 's/[[:space:]]*#*[[:space:]]*$//' -e 's/\[\([^]]*\)\]([^)]*)/\1/g' -e 's/`//g' |
           tr 'A-Z' 'a-z' | sed -e 's/[^a-z0-9 _-]//g' -e 's/ /-/g')
}

files=(README.md docs/*.md)
links=0
broken=0
for file in "${files[@]}"; do
  [[ -f $file ]] || continue
  dir=$(dirname "$file")
  # Inline links and images, [text](target "title"), and reference
  # definitions, [name]: target; each as LINE:TARGET.
  while IFS= read -r found; do
    line=${found%%:*}
    target=${found#*:}
    links=$((links + 1))
    case $target in
      [a-zA-Z]*:* | //*) continue ;;  # another site, or mailto:
    esac
    path=${target%%#*}
    anchor=
    [[ $target == *#* ]] && anchor=${target#*#}
    path=${path//%20/ }
    if [[ -z $path ]]; then
      resolved=$file
    elif [[ $path == /* ]]; then
      resolved=${path#/}
    elif [[ $dir == . ]]; then
      resolved=$path
    else
      resolved=$dir/$path
    fi
    why=
    if [[ ! -e $resolved ]]; then
      why="no such file: $resolved"
    elif [[ -n $anchor && -f $resolved && $resolved == *.md ]] &&
         ! anchors "$resolved" | grep -xF -- "$anchor" >/dev/null; then
      why="no heading with anchor #$anchor in $resolved"
    fi
    if [[ -n $why ]]; then
      echo "$file:$line: $target ($why)"
      broken=$((broken + 1))
    fi
  done < <(prose "$file" |
           { grep -no -e '\]([^)]*)' -e '^[[:space:]]*\[[^]]*\]:[[:space:]]*[^[:space:]]*' || true; } |
           sed -e 's/^\([0-9]*\):[[:space:]]*\[[^]]*\]:[[:space:]]*/\1:/' \
               -e 's/^\([0-9]*\):\](<\{0,1\}\([^)>[:space:]]*\).*/\1:\2/')
done

echo "check_links: $links links in ${#files[@]} files, $broken broken"
((broken == 0))
