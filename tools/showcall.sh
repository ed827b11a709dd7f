#!/usr/bin/env bash
# Shows a generated call file with qmxplay in the call viewer (controlhost as the browser),
# with all state in build/showcall. Without a display the viewer runs offscreen, closes
# after 8 s and leaves a screenshot; without a display the mix also goes to a WAV file
# unless ZEM_AUDIO says otherwise. Expects a finished build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$PWD/build/bin"
out="$PWD/build/showcall"
rm -rf "$out"
mkdir -p "$out/root" "$out/tmp"
export ZEM_ROOT="$out/root" TMP="$out/tmp"

"$bin/makecallfile" "$out/Call 4711.qmf" >/dev/null
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe]\r\n@="%s"\r\n' \
  "$bin/controlhost" > "$out/browser.reg"
"$bin/regedit.exe" /s "$out/browser.reg"

if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  export ZEM_CONTROLHOST_CLOSE_MS=8000 ZEM_CONTROLHOST_SCREENSHOT="$out/viewer.png"
  export ZEM_AUDIO="${ZEM_AUDIO:-wav:$out/call.wav}"
fi
echo "qmxplay \"$out/Call 4711.qmf\""
"$bin/qmxplay" "$out/Call 4711.qmf"

[[ -n "${ZEM_CONTROLHOST_SCREENSHOT:-}" ]] && echo "Screenshot of the viewer: $ZEM_CONTROLHOST_SCREENSHOT"
if [[ "${ZEM_AUDIO:-}" == wav:* && -f "${ZEM_AUDIO#wav:}" ]]; then echo "Mix of the call: ${ZEM_AUDIO#wav:}"; fi
if [[ -z "$(ls -A "$out/tmp")" ]]; then echo "Temporary folder: removed"; else echo "Temporary folder left behind in $out/tmp"; fi
if grep -q "$out/tmp/qmf" "$out/root/registry/HKCU.reg" 2>/dev/null; then
  echo "Registration of the archive's zemwave.ocx: still there"
else
  echo "Registration of the archive's zemwave.ocx: undone"
fi
