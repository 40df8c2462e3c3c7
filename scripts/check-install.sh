#!/usr/bin/env bash
# check-install.sh BUILD_DIR: installs the build into a temporary prefix and checks what the
# desktop reads from it: the desktop entry and the AppStream metainfo pass their validators, the
# entry starts the installed executable, the audio module lies in the program's library folder,
# and the icon theme holds the icon at each size it claims.
set -euo pipefail
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tamsel prefix.XXXXXX") # a space, as some users' paths have
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

entry=$prefix/share/applications/app.tamsel.Tamsel.desktop
metainfo=$prefix/share/metainfo/app.tamsel.Tamsel.metainfo.xml
desktop-file-validate "$entry"
appstreamcli validate --no-net "$metainfo"
grep -qxF "Exec=\"$prefix/bin/tamsel\"" "$entry" || { echo "Exec does not start $prefix/bin/tamsel:" >&2; grep '^Exec' "$entry" >&2; exit 1; }
"$prefix/bin/tamsel" --version | grep -q '^tamsel [0-9]'
# The microphone's module, loaded from the program's library folder on first use.
compgen -G "$prefix/lib*/tamsel/libtamsel-audio.so" >/dev/null || { echo "no audio module under $prefix/lib*/tamsel" >&2; exit 1; }

python3 - "$prefix/share/icons/hicolor" <<'PY'
import pathlib, struct, sys
icons = sorted(pathlib.Path(sys.argv[1]).glob("*/apps/app.tamsel.Tamsel.png"))
sizes = set()
for icon in icons:
    data = icon.read_bytes()
    width, height = struct.unpack(">II", data[16:24])
    claimed = icon.parent.parent.name
    if data[:8] != b"\x89PNG\r\n\x1a\n" or f"{width}x{height}" != claimed:
        sys.exit(f"{icon} is {width}x{height}, not {claimed}")
    sizes.add(width)
missing = {16, 22, 24, 32, 48, 64, 128, 256, 512} - sizes
if missing:
    sys.exit(f"no icon at {sorted(missing)}")
PY
echo "installed and valid: $prefix"
