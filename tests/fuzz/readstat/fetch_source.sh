#!/bin/sh
# Fetches the source of Debian's readstat package into DEST (DEST/src/readstat.h ...), for the
# fuzz build's instrumented ReadStat. The system's apt configuration is left alone: the deb-src
# entries and the package lists live in DEST/apt. The version the system has installed is
# preferred; when the archive no longer holds its files, the newest one it has is taken.
# Only the upstream tarball is needed (the Debian changes are packaging), and apt checks it
# against the signed index.
set -eu
dest=$1
[ -f "$dest/src/readstat.h" ] && exit 0
apt_dir=$dest/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d" "$dest/download"
# Source entries for the archive the system installs from: its release, and the current stable
# one for when the release's files are gone.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' "Identifier: Packages" | awk -v r="$codename" '$2 == r {print $1; exit}')
[ -n "$archive" ] || { echo "no apt source for $codename to fetch readstat's source from" >&2; exit 1; }
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
for suite in "$codename" stable; do
  echo "deb-src [signed-by=$keyring] $archive $suite main"
done > "$apt_dir/sources.list"
set -- -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
       -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o Debug::NoLocking=1 \
       -o APT::Sandbox::User=root -q
apt-get "$@" update >/dev/null
installed=$(dpkg-query -W -f='${source:Version}' libreadstat-dev 2>/dev/null || true)
cd "$dest/download"
if [ -z "$installed" ] || ! apt-get "$@" source --tar-only "readstat=$installed" >/dev/null 2>&1; then
  echo "readstat $installed: its source is not in the archive; taking the newest there" >&2
  apt-get "$@" source --tar-only readstat >/dev/null
fi
tarball=$(ls readstat_*.orig.tar.* | head -1)
echo "instrumented ReadStat from $tarball" >&2
rm -rf "$dest/unpacked" && mkdir -p "$dest/unpacked"
tar -xf "$tarball" -C "$dest/unpacked"
rm -rf "$dest/src"
mv "$dest/unpacked"/*/src "$dest/src"
rm -rf "$dest/unpacked"
