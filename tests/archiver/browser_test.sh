#!/usr/bin/env bash
# Packs a small site with Korvan, serves it with korvan-serve and loads it in headless
# Chromium, as a web developer previews a site before flashing it. Checked from the page's
# own DOM: the page rendered (its script ran), its stylesheet applied (a computed colour)
# and its image loaded (natural size). The screenshot and logs stay in ARTEFACT_DIR.
# Usage: browser_test.sh KORVAN KORVAN_SERVE ARTEFACT_DIR
set -euo pipefail
korvan=$(realpath "$1") serve=$(realpath "$2") artefacts=$3
browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
  echo "chromium is not installed; tools/install-deps.sh chromium installs it (test.sh does)" >&2
  exit 1
fi
rm -rf "$artefacts"
mkdir -p "$artefacts"
work=$(mktemp -d /tmp/korvan-browser-XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "korvan_browser_test: $*" >&2; exit 1; }

# Little-endian bytes of a number, as printf escapes: le VALUE BYTES.
le() { local v=$1 n=$2 out= i; for ((i = 0; i < n; i++)); do out+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255))); done; printf '%s' "$out"; }

# A 24x16 24-bit BMP with a colour gradient, written byte by byte.
write_bmp() {
  local w=24 h=16 pixels=
  local size=$((54 + w * h * 3))
  for ((y = 0; y < h; y++)); do
    for ((x = 0; x < w; x++)); do pixels+=$(printf '\\x%02x\\x%02x\\x%02x' $((x * 10)) $((y * 15)) 200); done
  done
  printf '%b' "BM$(le $size 4)$(le 0 4)$(le 54 4)$(le 40 4)$(le $w 4)$(le $h 4)$(le 1 2)$(le 24 2)$(le 0 4)$(le $((w * h * 3)) 4)$(le 2835 4)$(le 2835 4)$(le 0 4)$(le 0 4)$pixels" > "$1"
}

mkdir -p "$work/site/style" "$work/site/img"
printf 'html text/html; charset=utf-8\ncss text/css\nbmp image/bmp\n' > "$work/mimetype.ini"
cat > "$work/site/index.html" <<'HTML'
<!DOCTYPE html>
<html><head><title>Korvan preview</title><link rel="stylesheet" href="style/site.css"></head>
<body><h1 id="title">Korvan preview</h1>
<img id="logo" src="img/logo.bmp" alt="logo">
<p id="result">the page script did not run</p>
<script>
window.addEventListener('load', function () {
  var title = document.getElementById('title'), logo = document.getElementById('logo');
  document.getElementById('result').textContent = 'rendered; color=' + getComputedStyle(title).color +
      '; image=' + logo.naturalWidth + 'x' + logo.naturalHeight;
});
</script></body></html>
HTML
printf 'body { background: #fffbe6; font-family: sans-serif; }\nh1 { color: rgb(10, 120, 200); }\nimg { width: 96px; height: 64px; image-rendering: pixelated; }\n' > "$work/site/style/site.css"
write_bmp "$work/site/img/logo.bmp"

(cd "$work" && "$korvan" /d site /o site.znt) > "$artefacts/korvan.log" 2>&1 || fail "Korvan failed: $(cat "$artefacts/korvan.log")"

: > "$artefacts/serve.log"  # there before the server has opened it, for the polling below
"$serve" "$work/site.znt" --port 0 >> "$artefacts/serve.log" 2>&1 &
server=$!
port=
for ((i = 0; i < 200; i++)); do
  port=$(sed -n 's|^Serving .* at http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$artefacts/serve.log" || true)
  [ -z "$port" ] || break
  sleep 0.1
done
[ -n "$port" ] || fail "korvan-serve did not start: $(cat "$artefacts/serve.log")"
url="http://127.0.0.1:$port/"

# A new empty profile for every run; nothing reaches beyond the loopback address.
chromium_run() {
  local profile
  profile=$(mktemp -d "$work/profile-XXXXXX")
  timeout 300 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --disable-dev-shm-usage \
    --user-data-dir="$profile" --window-size=800,600 --virtual-time-budget=10000 "$@" "$url"
}
chromium_run --dump-dom > "$artefacts/dom.html" 2> "$artefacts/chromium-dom.log" ||
  fail "chromium --dump-dom failed; see $artefacts/chromium-dom.log"
chromium_run --screenshot="$artefacts/korvan-serve.png" > /dev/null 2> "$artefacts/chromium-screenshot.log" ||
  fail "chromium --screenshot failed; see $artefacts/chromium-screenshot.log"

expected='rendered; color=rgb(10, 120, 200); image=24x16'
grep -qF "<p id=\"result\">$expected</p>" "$artefacts/dom.html" ||
  fail "expected \"$expected\" in the page, got: $(grep -o '<p id="result">[^<]*' "$artefacts/dom.html" || echo 'no page')"
for path in / /style/site.css /img/logo.bmp; do
  grep -q "^GET $path HTTP/1.1 -> 200 " "$artefacts/serve.log" || fail "korvan-serve never served $path"
done
[ "$(head -c 4 "$artefacts/korvan-serve.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "no screenshot"
echo "korvan_browser_test: page rendered, stylesheet applied, image loaded; screenshot $artefacts/korvan-serve.png"
