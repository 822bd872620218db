#!/bin/sh
# Removes what `cmake --install BUILD_DIR` installed, as listed in BUILD_DIR/installed-files.txt:
# the files, then the folders that install created, each once it is empty. A file that belongs to
# a Debian package stays: this never removes what `apt install ./vrennosc*.deb` put in place.
# Usage: scripts/uninstall.sh [BUILD_DIR]    (default: build/install)
set -eu
record=${1:-"$(dirname "$0")/../build/install"}/installed-files.txt
if [ ! -f "$record" ]; then
    echo "$record is missing: nothing was installed from that build folder, or it was uninstalled." >&2
    exit 1
fi

grep -v '/$' "$record" | while IFS= read -r file; do
    if owner=$(dpkg-query -S "$file" 2>/dev/null); then
        echo "Kept $file: it belongs to a Debian package (apt remove ${owner%%:*} removes it)."
    elif [ -e "$file" ] || [ -L "$file" ]; then
        rm "$file"
        echo "Removed $file"
    fi
done
# Deepest first: a folder sorts after every path below it.
grep '/$' "$record" | sort -r | while IFS= read -r folder; do
    [ -d "$folder" ] || continue
    if rmdir "$folder" 2>/dev/null; then echo "Removed $folder"; else echo "Kept $folder: it is not empty."; fi
done
rm "$record"
