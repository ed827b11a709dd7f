#!/usr/bin/env bash
# Fails when a function or object of the project's own code is defined in two images that one
# process loads. Each program, test and module of a build folder is checked with the build's
# libraries it links (ldd); a program that links the COM layer is checked with every control
# module of the build as well, since it may load any of them. Two weak definitions are fine
# (the loader binds both to one, as with inline functions and templates); a strong one next to
# any other is a second copy of a library.
#   tools/check-one-copy.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build}")
[[ -d $build ]] || { echo "no build folder $build" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

is_elf() { [[ $(head -c 4 "$1" 2>/dev/null | od -An -c | tr -d ' ') == 177ELF ]]; }

images=()
while IFS= read -r file; do
  is_elf "$file" && images+=("$file")
done < <(find "$build" -type f \( -perm -u+x -o -name '*.so' -o -name '*.so.*' -o -name '*.ocx' \) \
           -not -path '*/CMakeFiles/*' -not -name '*.o' -not -name '*.a' | sort)

# Libraries of the build each image links, by path.
declare -A linked needed_by_someone
for image in "${images[@]}"; do
  libs=$(ldd "$image" 2>/dev/null | awk -v b="$build/" '$3 ~ "^"b { print $3 }' | xargs -r realpath | sort -u)
  linked[$image]=$libs
  for lib in $libs; do needed_by_someone[$lib]=1; done
done

# A shared object that nothing links is loaded with dlopen: a module.
modules=() programs=()
for image in "${images[@]}"; do
  case $image in
    *.so|*.so.*|*.ocx) [[ -n ${needed_by_someone[$image]:-} ]] || modules+=("$image") ;;
    *) programs+=("$image") ;;
  esac
done

# One file of "name type" per image: its exported definitions.
symbols_of() {
  local file=$work/$(echo "$1" | md5sum | cut -c1-32)
  if [[ ! -f $file ]]; then
    nm -D --defined-only "$1" 2>/dev/null |
      awk 'NF == 3 && $2 != "A" && $3 !~ /^(_init|_fini|_edata|_end|__bss_start|_IO_stdin_used|__data_start|data_start|__dso_handle)$/ { print $3, $2 }' >"$file"
  fi
  echo "$file"
}

failures=0
check_process() {
  local root=$1; shift
  local set=("$@") files=() image
  for image in "${set[@]}"; do
    files+=("$(symbols_of "$image")")
  done
  local report
  report=$(for i in "${!set[@]}"; do awk -v img="${set[$i]##*/}" '{ print $1, $2, img }' "${files[$i]}"; done |
    awk '{ strong = ($2 !~ /^[WwVvu]$/); n[$1]++; s[$1] += strong; where[$1] = where[$1] " " $3 }
         END { for (name in n) if (n[name] > 1 && s[name] > 0) print name ":" where[name] }' | sort)
  if [[ -n $report ]]; then
    failures=$((failures + 1))
    echo "== ${root#"$build"/} loads these twice:"
    echo "$report" | head -20 | sed 's/^/   /'
    local count
    count=$(echo "$report" | wc -l)
    ((count <= 20)) || echo "   ... $count in all"
  fi
}

hosts_controls() { [[ ${linked[$1]} == *libzemcom.so* ]]; }

for program in "${programs[@]}"; do
  set=("$program" ${linked[$program]})
  if hosts_controls "$program"; then
    for module in "${modules[@]}"; do set+=("$module" ${linked[$module]}); done
  fi
  mapfile -t set < <(printf '%s\n' "${set[@]}" | awk 'NF && !seen[$0]++')
  check_process "$program" "${set[@]}"
done
for module in "${modules[@]}"; do
  check_process "$module" "$module" ${linked[$module]}
done

echo "one-copy check: ${#programs[@]} programs, ${#modules[@]} modules, $failures with a second copy"
((failures == 0))
