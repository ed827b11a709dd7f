#!/usr/bin/env bash
# Fails when a function or object of the project's own code is defined in two images that one
# process loads. Each program, test and module of a build folder is checked with the build's
# libraries it links; a program that links the COM layer is checked with each control module
# of the build as well, since it may load any of them. Two weak definitions are fine
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

# The build's libraries each image links, directly or through another (its NEEDED entries
# found among the build's shared objects; system libraries are left out).
declare -A path_of needed linked needed_by_someone
for image in "${images[@]}"; do
  path_of[${image##*/}]=$image
done
for image in "${images[@]}"; do
  needed[$image]=$(readelf -d "$image" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
done
closure() {
  local -A seen=()
  local todo=("$1") image name
  while ((${#todo[@]})); do
    image=${todo[-1]}; unset 'todo[-1]'
    for name in ${needed[$image]}; do
      local lib=${path_of[$name]:-}
      [[ -n $lib && -z ${seen[$lib]:-} ]] || continue
      seen[$lib]=1; todo+=("$lib")
    done
  done
  printf '%s\n' "${!seen[@]}" | sort
}
for image in "${images[@]}"; do
  linked[$image]=$(closure "$image")
  for lib in ${linked[$image]}; do needed_by_someone[$lib]=1; done
done

# A shared object that nothing links is loaded with dlopen: a module.
modules=() programs=()
for image in "${images[@]}"; do
  case $image in
    *.so|*.so.*|*.ocx) [[ -n ${needed_by_someone[$image]:-} ]] || modules+=("$image") ;;
    *) programs+=("$image") ;;
  esac
done

# One file of "name type image" per image: its exported definitions.
declare -A symbols
for i in "${!images[@]}"; do
  image=${images[$i]}
  symbols[$image]=$work/$i
  nm -D --defined-only "$image" 2>/dev/null |
    awk -v img="${image##*/}" 'NF == 3 && $2 != "A" && $3 !~ /^(_init|_fini|_edata|_end|__bss_start|_IO_stdin_used|__data_start|data_start|__dso_handle)$/ { print $3, $2, img }' >"${symbols[$image]}"
done

failures=0
check_process() {
  local root=$1; shift
  local files=() image report
  local -A seen=()
  for image in "$@"; do
    [[ -z ${seen[$image]:-} ]] && files+=("${symbols[$image]}")
    seen[$image]=1
  done
  report=$(awk '{ strong = ($2 !~ /^[WwVvu]$/); n[$1]++; s[$1] += strong; where[$1] = where[$1] " " $3 }
                END { for (name in n) if (n[name] > 1 && s[name] > 0) print name ":" where[name] }' "${files[@]}" | sort)
  if [[ -n $report ]]; then
    failures=$((failures + 1))
    echo "== ${root#"$build"/} loads these twice:"
    local lines
    mapfile -t lines <<<"$report"
    printf '   %s\n' "${lines[@]:0:20}"
    ((${#lines[@]} <= 20)) || echo "   ... ${#lines[@]} in all"
  fi
}

hosts_controls() { [[ ${linked[$1]} == *libzemcom.so* ]]; }

# A module is loaded with its own symbols kept local: it meets the program and its libraries,
# never another module.
for program in "${programs[@]}"; do
  if hosts_controls "$program" && ((${#modules[@]})); then
    for module in "${modules[@]}"; do
      check_process "$program with ${module##*/}" "$program" ${linked[$program]} "$module" ${linked[$module]}
    done
  else
    check_process "$program" "$program" ${linked[$program]}
  fi
done
for module in "${modules[@]}"; do
  check_process "$module" "$module" ${linked[$module]}
done

echo "one-copy check: ${#programs[@]} programs, ${#modules[@]} modules, $failures with a second copy"
((failures == 0))
