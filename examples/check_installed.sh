#!/usr/bin/env bash
# Proves that an installed tree serves a user on its own: copies it to a new
# folder, checks what its libraries export and where they look for each
# other, builds both examples against the copy through pkg-config and through
# find_package(Pelrith), runs them without LD_LIBRARY_PATH and checks their
# output with libtiff's tools, libjpeg's and netpbm's.
#
#   examples/check_installed.sh <installed prefix> <corpus folder> <work folder>
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 <prefix> <corpus> <work folder>" >&2; exit 2; }
examples=$(cd "$(dirname "$0")" && pwd)
corpus=$(realpath "$2")
work=$(realpath -m "$3")
unset LD_LIBRARY_PATH
rm -rf "$work"
mkdir -p "$work"
fail() { echo "check_installed: $*" >&2; exit 1; }

# The copy is the only tree the examples see.
cp -a "$1" "$work/dist"
dist="$work/dist"

# --- the libraries ---------------------------------------------------------
lib="$dist/lib"
[[ -L "$lib/libPelrith.so" && -L "$lib/libPelrith.so.1" && -L "$lib/libplat.so" && -L "$lib/libplat.so.1" ]] ||
  fail "the versioned links are missing"
soname() { readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p'; }
[[ $(soname "$lib/libPelrith.so") == libPelrith.so.1 && $(soname "$lib/libplat.so") == libplat.so.1 ]] ||
  fail "unexpected sonames"
runpath=$(readelf -d "$lib/libPelrith.so" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[[ "$runpath" == '$ORIGIN' ]] || fail "libPelrith.so has the run path '$runpath', not \$ORIGIN"
for library in "$lib"/lib*.so; do
  if grep -q '\.debug_info' <<<"$(readelf -S "$library")"; then fail "$library carries debug information"; fi
done

# libPelrith.so exports exactly the entry points the header declares.
declared=$(grep -o 'PELRITH_STDCALL Cmi[A-Za-z0-9]*(' "$dist/include/Pelrith.h" | sed 's/PELRITH_STDCALL //; s/(//' | sort)
exported=$(nm -D --defined-only "$lib/libPelrith.so" | awk '$2 == "T" {print $3}' | sed 's/@.*//' | sort)
others=$(nm -D --defined-only "$lib/libPelrith.so" | awk '$2 != "T" && $2 != "A"')
[[ -n "$declared" && "$declared" == "$exported" && -z "$others" ]] ||
  fail "libPelrith.so exports other than the header's entry points: $(diff <(echo "$declared") <(echo "$exported"))"
# libplat.so: the global-memory calls and namespace plat (see
# platform/exports.map); nothing else, and no test switch.
plat_exports=$(nm -D --defined-only -C "$lib/libplat.so" | awk '$2 != "A"' | cut -d' ' -f3- | sed 's/@.*//')
leaked=$(grep -Ev '^Global(Alloc|Lock|Unlock|Size|Free)$|^((vtable|typeinfo|typeinfo name|guard variable) for )?plat::' \
  <<<"$plat_exports" || true)
[[ -z "$leaked" ]] || fail "libplat.so exports more than its interface: $leaked"
switches=$(grep -E 'plat::testing::|plat_testing_fault|FailNthWrite|FailFlush|FailRename|ResetFaults|ShouldFail' \
  <<<"$plat_exports" || true)
[[ -z "$switches" ]] || fail "libplat.so exports test switches: $switches"
plat_symbols=$(nm -D --defined-only "$lib/libplat.so")
for call in GlobalAlloc GlobalLock GlobalUnlock GlobalSize GlobalFree; do
  grep -q " T $call@" <<<"$plat_symbols" || fail "libplat.so does not export $call"
done

# --- building the examples ---------------------------------------------------
export PKG_CONFIG_PATH="$lib/pkgconfig"
pc_dir="$work/pkg-config"
mkdir -p "$pc_dir"
for program in turn_image list_pages; do
  # shellcheck disable=SC2046
  cc -std=c11 -Wall -Wextra -Werror -o "$pc_dir/$program" "$examples/$program.c" \
    $(pkg-config --cflags --libs pelrith) -Wl,-rpath,"$(pkg-config --variable=libdir pelrith)"
done
cmake -S "$examples" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$dist" -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" \
  >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "configuring the examples with find_package failed"; }
cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "building the examples failed"; }

# Both builds load the copy's libraries.
for build in "$pc_dir" "$work/cmake"; do
  for program in turn_image list_pages; do
    loaded=$(ldd "$build/$program" | awk '/libPelrith|libplat/ {print $3}')
    [[ $(echo "$loaded" | wc -l) -eq 2 ]] || fail "$build/$program does not load both libraries: $loaded"
    while read -r path; do
      [[ $(realpath "$path") == "$lib"/* ]] || fail "$build/$program loads $path from outside the copy"
    done <<<"$loaded"
  done
done

# --- running them ------------------------------------------------------------
# A colour picture of 157 x 151 pixels as a PNG file made by netpbm: the turn
# swaps its odd sizes.
png="$work/picture.png"
tifftopnm "$corpus/libtiff-images/rgb-3c-8b.tiff" 2>/dev/null >"$work/picture.ppm"
pnmtopng "$work/picture.ppm" 2>/dev/null >"$png"
pamflip -cw "$work/picture.ppm" >"$work/expected.ppm"
cjpeg -quality 93 -sample 2x2 "$work/expected.ppm" | djpeg -pnm >"$work/expected-jpeg.ppm"
for build in "$pc_dir" "$work/cmake"; do
  out="$work/out-$(basename "$build")"
  mkdir -p "$out"
  "$build/turn_image" "$png" "$out/turned.tif" "$out/turned.jpg" >"$out/turn.txt" || fail "turn_image failed"
  grep -qx "$png: 157x151 turned to 151x157" "$out/turn.txt" || fail "turn_image said: $(cat "$out/turn.txt")"
  # libtiff reads the TIFF file, with the options the example gave, and its
  # pixels are netpbm's own quarter turn of the PNG file.
  tiffinfo "$out/turned.tif" >"$out/tiffinfo.txt" 2>&1 || fail "tiffinfo refuses turned.tif"
  grep -q 'Compression Scheme: PackBits' "$out/tiffinfo.txt" || fail "turned.tif is not PackBits"
  grep -q 'Resolution: 150, 150 pixels/inch' "$out/tiffinfo.txt" || fail "turned.tif lost its resolution"
  tifftopnm "$out/turned.tif" 2>/dev/null >"$out/turned.ppm"
  cmp -s "$out/turned.ppm" "$work/expected.ppm" || fail "turned.tif is not the PNG turned clockwise"
  # djpeg reads the JPEG file, and its pixels are those of cjpeg's coding of
  # the turned image at the quality that "quarityFactor" 9 names (93), with
  # the default chroma sampling (2x2).
  djpeg -pnm "$out/turned.jpg" >"$out/turned-jpeg.ppm" || fail "djpeg refuses turned.jpg"
  cmp -s "$out/turned-jpeg.ppm" "$work/expected-jpeg.ppm" || fail "turned.jpg differs from cjpeg's coding"

  # A TIFF file of four pages made by libtiff's tiffcp: the example's own page,
  # a Group 4 page and two plain ones; the listing matches tiffinfo's.
  images="$corpus/libtiff-images"
  tiffcp -c g4 "$images/miniswhite-1c-1b.tiff" "$out/g4.tif"
  tiffcp "$images/rgb-3c-8b.tiff" "$out/turned.tif" "$out/g4.tif" "$images/palette-1c-4b.tiff" "$out/pages.tif"
  "$build/list_pages" "$out/pages.tif" >"$out/pages.txt" || fail "list_pages failed"
  tiffinfo "$out/pages.tif" 2>/dev/null | awk '
    /Image Width:/ { w = $3; h = $6 }
    /Bits\/Sample:/ { bits = $2 }
    /Samples\/Pixel:/ { spp = $2 }
    /Compression Scheme:/ { sub(/.*Scheme: /, ""); c = $0 }
    /Resolution:/ { dpi = $2 + 0 }
    /Planar Configuration:/ {
      mode = spp == 3 ? 18 : bits == 1 ? 14 : bits == 4 ? 15 : 16
      code = c == "None" ? 0 : c == "PackBits" ? 30 : c == "CCITT Group 4" ? 29 : -1
      printf "page %d: %dx%d mode %d compression %d %d dpi\n", ++n, w, h, mode, code, dpi
      dpi = 0
    }' >"$out/pages-expected.txt"
  [[ $(wc -l <"$out/pages-expected.txt") -eq 4 ]] || fail "tiffinfo does not list four pages"
  diff "$out/pages-expected.txt" "$out/pages.txt" || fail "list_pages differs from tiffinfo"
done
echo "check_installed: both examples built through pkg-config and find_package(Pelrith) and checked"
