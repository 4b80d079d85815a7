#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder and checks it the way a
# distribution would: lintian without errors, the desktop entry, the AppStream metadata and the
# manual pages. Usage: tools/check-package.sh BUILD_FOLDER
set -euo pipefail
build="$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
out="$build/package"

rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/kelvane_*.deb)
echo "built $deb"

# The package holds what an installed copy needs.
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/kelvane usr/bin/kelvane-devsim usr/share/kelvane/language.ini \
    usr/share/kelvane/standard.cfg usr/share/man/man1/kelvane.1.gz usr/share/man/man1/kelvane-devsim.1.gz \
    usr/share/applications/org.kelvane.Kelvane.desktop usr/share/metainfo/org.kelvane.Kelvane.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.kelvane.Kelvane.svg \
    usr/share/icons/hicolor/48x48/apps/org.kelvane.Kelvane.png "usr/lib/systemd/user/kelvane-headless@.service"; do
  if ! grep -qF "./$file" <<<"$contents"; then
    echo "missing from the package: /$file" >&2
    exit 1
  fi
done
if ! dpkg-deb -f "$deb" Depends | grep -q 'libqt6core6'; then
  echo "the dependencies do not come from dpkg-shlibdeps: $(dpkg-deb -f "$deb" Depends)" >&2
  exit 1
fi

lintian --fail-on error --allow-root "$deb"
desktop-file-validate "$source_dir/packaging/org.kelvane.Kelvane.desktop"
appstreamcli validate --no-net "$build/packaging/org.kelvane.Kelvane.metainfo.xml"
for page in kelvane kelvane-devsim; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$build/packaging/$page.1" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page.1: $warnings" >&2
    exit 1
  fi
done
echo "package checks passed"
