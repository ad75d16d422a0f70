#!/usr/bin/env bash
# ./run.sh [FASTFILE...]
# Installs what is missing, builds the native program and extracts the given FastFiles;
# given none, extracts a sample FastFile made by our own builder and shows what it wrote.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/tools/install-deps.sh"
vandrel_install_native

cmake -S "$here" -B "$here/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build/native" -j"$(nproc)" --target vandrel sample_fastfile >/dev/null

if [ $# -gt 0 ]; then
    exec "$here/build/native/vandrel" "$@"
fi

demo="$here/build/native/sample-run"
rm -rf "$demo"
mkdir -p "$demo"
cp "$here/build/native/sample/sample_patch.ff" "$demo/"
echo "== vandrel --string-table --dump $demo/sample_patch.ff"
"$here/build/native/vandrel" --string-table --dump "$demo/sample_patch.ff"
echo
echo "== what it wrote under $demo"
(cd "$demo" && find . -maxdepth 2 | sort | head -n 20 && echo "   ... $(find . -type f | wc -l) files in all")
echo
echo "== the referenced sounds ($demo/sample_patch/Refrenced_Sounds.txt)"
head -n 6 "$demo/sample_patch/Refrenced_Sounds.txt"
