#!/usr/bin/env bash
# Builds minizip (zip/unzip over zlib) for the 32-bit MinGW target from Debian's zlib
# source package. minizip for MinGW is not packaged; the result lives in .deps/ and is
# never committed. Quiet when it is already there.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$top/.deps/minizip-mingw"
[ -f "$out/lib/libminizip.a" ] && exit 0

SUDO=""; [ "$(id -u)" != 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  echo "setup: enabling deb-src for Debian's zlib source package"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    echo "deb-src http://deb.debian.org/debian bookworm main" | $SUDO tee /etc/apt/sources.list.d/mirvane-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
fi

work="$top/.deps/zlib-src"
rm -rf "$work"; mkdir -p "$work"
(cd "$work" && apt-get source -qq --download-only zlib=1:1.2.13.dfsg-1 >/dev/null 2>&1 || apt-get source -qq --download-only zlib >/dev/null)
(cd "$work" && tar xf zlib_*.orig.tar.* )
src="$(ls -d "$work"/zlib-*/contrib/minizip | head -n1)"
mkdir -p "$out/lib" "$out/include/minizip" "$work/obj"
for f in ioapi iowin32 zip unzip; do
  i686-w64-mingw32-gcc -O2 -c "$src/$f.c" -o "$work/obj/$f.o" -I"$src" \
    -DNOCRYPT=0 -Wno-deprecated-declarations -w
done
i686-w64-mingw32-ar rcs "$out/lib/libminizip.a" "$work"/obj/*.o
cp "$src"/{ioapi,iowin32,zip,unzip}.h "$out/include/minizip/"
rm -rf "$work"
echo "setup: built minizip for MinGW in .deps/minizip-mingw"
