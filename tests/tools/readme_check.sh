#!/usr/bin/env bash
# What a newcomer copies from the README works as typed:
#   - every script of the repository that a code block of README.md runs
#     (tools/..., tests/..., bench/...) is there and committed with its run
#     bit;
#   - every program a code block runs from a build folder
#     (build/PRESET/bin/NAME) is one the build makes;
# and what a user of the packages reads names what they hold:
#   - packaging/README (the Debian package's README) names every file of
#     tests/package/kx418.list but the lintian overrides;
#   - packaging/README.txt (the Windows packages' README) names every file
#     of tests/package/KX418-win64.zip.list.
#   readme_check.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
failures=()

# The code blocks' lines: indented by four spaces or fenced.
commands=$(awk '/^```/ { fenced = !fenced; next } fenced || /^    /' README.md)
[[ -n $commands ]] || failures+=("README.md shows no command")
scripts=0 programs=0
for word in $(grep -oE '(^|[ =(])(\./)?(tools|tests|bench|\.ci)/[A-Za-z0-9_./-]+' <<<"$commands" |
              sed -E 's/^[ =(]//; s/^\.\///' | sort -u); do
  mode=$(git ls-files -s -- "$word" | cut -d' ' -f1)
  if [[ -z $mode ]]; then
    [[ -d $word ]] || failures+=("README.md runs $word, which is not in the repository")
  elif [[ $mode != 100755 ]]; then
    failures+=("README.md runs $word, committed without its run bit ($mode)")
  fi
  scripts=$((scripts + 1))
done
for word in $(grep -oE 'build/[a-z0-9]+/bin/[A-Za-z0-9_.-]+' <<<"$commands" | sort -u); do
  name=${word##*/}
  name=${name%.exe}
  grep -rqsE "add_executable\\($name( |\$)|add_library\\($name( |\$)" --include=CMakeLists.txt . ||
    failures+=("README.md runs $word, which no target builds")
  programs=$((programs + 1))
done

# A package's README names each file the package installs for its user.
names_all() {
  local readme=$1 list=$2 file
  while read -r file; do
    grep -qF -- "${file##*/}" "$readme" || failures+=("$readme does not name ${file##*/} (from $list)")
  done
}
names_all packaging/README tests/package/kx418.list \
  < <(awk '$1 !~ /^d/ { print $2 }' tests/package/kx418.list | grep -v '/lintian/')
names_all packaging/README.txt tests/package/KX418-win64.zip.list <tests/package/KX418-win64.zip.list

if [[ ${#failures[@]} -gt 0 ]]; then
  printf 'FAIL: %s\n' "${failures[@]}" | sort -u
  exit 1
fi
echo "README.md: $scripts scripts, each committed with its run bit; $programs built programs, each a target"
echo "packaging/README and packaging/README.txt name every file their packages install"
