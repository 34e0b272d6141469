#!/usr/bin/env bash
# Builds the packages kalamora and bundlex (with their -dbgsym packages)
# from the build, unpacks them into a scratch root with dpkg-deb -x and
# checks what a user gets: every file where it belongs, stripped binaries
# whose debug symbols are in the -dbgsym package, nothing that names the
# build, the font alias working through fontconfig, and the programs
# running from the unpacked tree.
#
#   test_packages.sh BUILD SOURCE PREFIX VERSION LIBDIR QT_PLUGINS
set -uo pipefail
build=$1 source=$2 prefix=$3 version=$4 libdir=$5 qtplugins=$6

if [[ $prefix != /usr ]]; then
  echo "The packages are made from a build configured for /usr; this one has $prefix."
  echo "Reconfigure it: cmake -DCMAKE_INSTALL_PREFIX=/usr $build"
  exit 77
fi

scratch=$build/test-scratch/test_packaging
rm -rf "$scratch"
mkdir -p "$scratch"/{out,root,work,home,config,data,cache,runtime}
chmod 700 "$scratch/runtime"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_CACHE_HOME=$scratch/cache XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen
unset KALAMORA_PROGRAM_DIR
root=$scratch/root work=$scratch/work

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Packaging, timed: it runs once in CI after the build.
started=$(date +%s%N)
if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
elapsed=$((($(date +%s%N) - started) / 1000000))
printf 'cpack: %d.%03d s\n' $((elapsed / 1000)) $((elapsed % 1000))
rm -rf "$scratch/out/_CPack_Packages"

arch=$(dpkg --print-architecture)
# deb PACKAGE [ddeb]: the package's file, or that of its -dbgsym package.
deb() {
  if [[ ${2:-} == ddeb ]]; then
    echo "$scratch/out/${1}-dbgsym_${version}_${arch}.ddeb"
  else
    echo "$scratch/out/${1}_${version}_${arch}.deb"
  fi
}
for package in kalamora bundlex; do
  for kind in deb ddeb; do
    [[ -f $(deb $package $kind) ]] || { fail "no package $(basename "$(deb $package $kind)")"; exit 1; }
  done
  dpkg-deb -x "$(deb $package)" "$root"
  dpkg-deb -c "$(deb $package)" | awk '{print substr($6, 3)}' | grep -v '/$' | sort >"$scratch/$package.files"
done

# Two packages that install one path cannot be installed together.
shared=$(comm -12 "$scratch/kalamora.files" "$scratch/bundlex.files")
[[ -z $shared ]] || fail "files in both packages: $shared"

# dpkg --verify and debsums read md5sums: it lists each file of the package
# by its path inside the package.
for package in kalamora bundlex; do
  for kind in deb ddeb; do
    listed=$(dpkg-deb -I "$(deb $package $kind)" md5sums | awk '{print $2}' | sort)
    present=$(dpkg-deb -c "$(deb $package $kind)" | awk '$1 !~ /^[dl]/ {print substr($6, 3)}' | sort)
    [[ $listed == "$present" ]] || fail "$(basename "$(deb $package $kind)"): md5sums does not list its files ($(head -1 <<<"$listed"))"
  done
done

# Control fields a user's apt relies on.
[[ $(dpkg-deb -f "$(deb kalamora)" Depends) == *fontconfig* ]] || fail "kalamora does not depend on fontconfig"
[[ $(dpkg-deb -f "$(deb bundlex)" Depends) == *libzip* ]] || fail "bundlex does not depend on libzip"
for package in kalamora bundlex; do
  [[ $(dpkg-deb -f "$(deb $package)" Version) == "$version" ]] || fail "$package: version is not $version"
done

# package | path
ma=usr/$libdir qp=usr/$qtplugins
while IFS='|' read -r package path; do
  [[ -z $package ]] && continue
  grep -qxF "$path" "$scratch/$package.files" || fail "$package lacks $path"
  [[ -e $root/$path || $path == etc/* ]] || fail "$path does not resolve in the unpacked tree"
done <<EOF
kalamora|usr/bin/kalamora
kalamora|$ma/kalamora/libhindirtf.so
kalamora|$qp/designer/libhindirtfplugin.so
kalamora|usr/include/kalamora/hindirtf.h
kalamora|usr/share/fonts/truetype/glyphora/GO10.TTF
kalamora|usr/share/kalamora/GO10.TTF
kalamora|usr/share/kalamora/FNT.ATT
kalamora|usr/share/kalamora/GO10-OFL.txt
kalamora|usr/share/kalamora/Dict.mdb
kalamora|usr/share/fontconfig/conf.avail/40-kalamora-kruti-dev.conf
kalamora|etc/fonts/conf.d/40-kalamora-kruti-dev.conf
kalamora|usr/share/applications/kalamora.desktop
kalamora|usr/share/metainfo/org.kalamora.Kalamora.metainfo.xml
kalamora|usr/share/icons/hicolor/scalable/apps/kalamora.svg
kalamora|usr/share/man/man1/kalamora.1.gz
kalamora|usr/share/doc/kalamora/copyright
kalamora|usr/share/doc/kalamora/changelog.gz
bundlex|usr/bin/bundlex
bundlex|$ma/bundlex/bundlex
bundlex|$ma/bundlex/libbundlex.so
bundlex|$ma/bundlex/libzipit.so
bundlex|$ma/bundlex/libbundletwidget.so
bundlex|$qp/designer/libbundletplugin.so
bundlex|usr/share/man/man1/bundlex.1.gz
bundlex|usr/share/doc/bundlex/copyright
bundlex|usr/share/doc/bundlex/changelog.gz
EOF
for page in "$source"/app/help/*; do
  [[ -f $root/usr/share/kalamora/help/$(basename "$page") ]] || fail "help page $(basename "$page") not installed"
done
link=$(readlink "$root/etc/fonts/conf.d/40-kalamora-kruti-dev.conf")
[[ $link == /usr/share/fontconfig/conf.avail/40-kalamora-kruti-dev.conf ]] || fail "conf.d link points at $link"

# Nothing installed names the build or the source tree.
named=$(grep -rlaF -e "$build" -e "$source" "$root")
[[ -z $named ]] || fail "files naming the build tree: $named"

# Every binary is stripped, runs with what it finds (its run path stays in
# the package), and its debug symbols are in the -dbgsym package.
for package in kalamora bundlex; do
  dpkg-deb -c "$(deb $package ddeb)" | awk '{print substr($6, 3)}' >"$scratch/$package.debug"
  while read -r path; do
    file=$root/$path
    [[ -f $file && ! -L $file && $(od -An -tx1 -N4 "$file" | tr -d ' ') == 7f454c46 ]] || continue
    readelf -S "$file" | grep -q '\.debug_info' && fail "$path is not stripped"
    runpath=$(readelf -d "$file" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
    [[ -z $runpath || $runpath == '$ORIGIN'* ]] || fail "$path has the run path $runpath"
    missing=$(ldd "$file" 2>&1 | grep 'not found')
    [[ -z $missing ]] || fail "$path: $missing"
    id=$(readelf -n "$file" | sed -n 's/.*Build ID: *//p')
    grep -qxF "usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" "$scratch/$package.debug" \
      || fail "$path: no debug symbols in $package-dbgsym"
  done <"$scratch/$package.files"
done

# The alias, as any program sees it: with the unpacked font folder and the
# installed configuration, "Kruti Dev 010" is Glyphora 010; without the
# configuration it is not (so the alias, not the lack of other fonts, decides).
fontconf() {
  cat >"$scratch/fonts$1.conf" <<FC
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <dir>$root/usr/share/fonts</dir>
  <cachedir>$scratch/fontconfig</cachedir>
  $2
</fontconfig>
FC
  FONTCONFIG_FILE=$scratch/fonts$1.conf fc-match -f '%{family[0]}|%{file}' "Kruti Dev 010"
}
alias_conf=$root/usr/share/fontconfig/conf.avail/40-kalamora-kruti-dev.conf
matched=$(fontconf 1 "<include>$alias_conf</include>")
[[ $matched == "Glyphora 010|$root/usr/share/fonts/truetype/glyphora/GO10.TTF" ]] \
  || fail "fc-match \"Kruti Dev 010\" with the installed alias gives $matched"
matched=$(fontconf 2 "")
[[ $matched != "Glyphora 010|"* ]] || fail "fc-match gives Glyphora 010 even without the alias"

# The programs, from the unpacked tree: each finds its own files beside it.
cd "$work" || exit 1
out=$("$root/usr/bin/kalamora" type --hex namaste 2>&1)
[[ $out == "75 65 4C 72 73" ]] || fail "kalamora type --hex namaste printed: $out"
out=$("$root/usr/bin/kalamora" dict --unicode house 2>&1)
[[ $? -eq 0 && -n $out ]] || fail "kalamora dict house: $out"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Kruti Dev 010;}}\\f0\\fs48 ueLrs\\par}' >x.rtf
if out=$("$root/usr/bin/kalamora" convert x.rtf x.pdf 2>&1); then
  pdffonts x.pdf | grep 'Glyphora' | grep -q ' yes ' || fail "x.pdf does not embed Glyphora 010: $(pdffonts x.pdf)"
else
  fail "kalamora convert x.rtf x.pdf: $out"
fi
echo first >a.txt
mkdir -p sub && echo second >sub/b.txt
if out=$("$root/usr/bin/bundlex" add --level 9 y.zip "$work/a.txt" 2>&1); then
  out=$("$root/usr/bin/bundlex" list y.zip 2>&1)
  [[ $out == a.txt ]] || fail "bundlex list after add printed: $out"
  if out=$("$root/usr/bin/bundlex" extract --path "$work/out" y.zip 2>&1); then
    cmp -s a.txt out/a.txt || fail "bundlex extract: out/a.txt differs"
  else
    fail "bundlex extract: $out"
  fi
else
  fail "bundlex add: $out"
fi
registered=$(sed -n 's/^Path=//p' "$XDG_CONFIG_HOME/Bundlex/registration.ini" | sort -u)
[[ $registered == "$root/$ma/bundlex/libbundlex.so" ]] || fail "bundlex registered $registered"

# The desktop entry and the software-centre file as their validators read them.
desktop-file-validate "$root/usr/share/applications/kalamora.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.kalamora.Kalamora.metainfo.xml" >"$scratch/appstream.log" 2>&1 \
  || fail "appstreamcli validate: $(cat "$scratch/appstream.log")"

# The manual pages name every command and option the programs take.
documented() {
  local page=$1.1.gz text word
  text=$(zcat "$root/usr/share/man/man1/$page" | sed 's/\\-/-/g')
  shift
  for word in "$@"; do
    grep -qw -- "$word" <<<"$text" || fail "$page does not mention $word"
  done
}
commands=$("$root/usr/bin/kalamora" --help | sed -n 's/^  \([a-z]*\) .*/\1/p')
[[ -n $commands ]] || fail "kalamora --help lists no commands"
for command in $commands; do
  documented kalamora "$command" $("$root/usr/bin/kalamora" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
done
documented bundlex $("$root/usr/bin/bundlex" 2>&1 | grep -o -- '--[a-z]*\|list\|add\|extract\|delete' | sort -u)

((failures == 0)) || { echo "$failures failures"; exit 1; }
echo "packages checked: $(basename "$(deb kalamora)") $(basename "$(deb bundlex)")"
