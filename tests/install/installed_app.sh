#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks that every file landed
# where the desktop looks for it, and starts the installed app offscreen: it
# comes up and takes a URL handed over by a second launch, as the desktop's
# URL handler does. The socket it listens on lies where its manual page says.
set -euo pipefail
build=$1 id=$2 scheme=$3
prefix=$(mktemp -d) data=$(mktemp -d) runtime=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$prefix" "$data" "$runtime"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kelvo-ostrel "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" "share/icons/hicolor/256x256/apps/$id.png" \
    share/man/man1/kelvo-ostrel.1.gz share/doc/kelvo-ostrel/copyright; do
    [ -f "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
[ ! -e "$prefix/bin/kelvo-service" ] || { echo "the reference service was installed"; exit 1; }
grep -qx "MimeType=x-scheme-handler/$scheme;" "$prefix/share/applications/$id.desktop"

export KELVO_DATA_DIR="$data" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
"$prefix/bin/kelvo-ostrel" --version | grep -q '^kelvo-ostrel '
"$prefix/bin/kelvo-ostrel" &
pid=$!
# The running app listens on a local socket named after its data folder, in
# its own folder of the session's runtime folder.
socket="$runtime/kelvo-ostrel/instance-$(printf %s "$data" | sha256sum | cut -c1-16)"
for _ in $(seq 150); do
    [ -S "$socket" ] && break
    kill -0 "$pid" || { echo "the installed app exited at start"; exit 1; }
    sleep 0.2
done
[ -S "$socket" ] || { echo "the installed app did not start listening"; exit 1; }
manual=$(MANWIDTH=200 man -l "$prefix/share/man/man1/kelvo-ostrel.1.gz")
grep -qF '$XDG_RUNTIME_DIR/kelvo-ostrel/instance-' <<<"$manual" ||
    { echo "the manual page does not place the socket in \$XDG_RUNTIME_DIR"; exit 1; }
timeout 30 "$prefix/bin/kelvo-ostrel" "$scheme://open"
kill -0 "$pid"
# Terminated, it quits cleanly and takes its socket with it.
kill -TERM "$pid" && wait "$pid" && pid=""
[ ! -e "$socket" ] || { echo "the terminated app left its socket behind"; exit 1; }
echo "installed app started, took a URL and quit cleanly"
