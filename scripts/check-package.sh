#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks it the way Debian does:
# lintian with no error and no warning besides the sample label files' national-encoding, the
# manual pages rendering without groff warnings, the desktop entry and the AppStream metadata.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

rm -f "$build"/quorvel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/quorvel_*.deb)
deb=${debs[0]}
echo "Package: $deb"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
status=0
for path in usr/bin/quorvel usr/bin/quorvel-batch usr/lib/quorvel/Relatorios/tag_02_Quorvel.rav \
  usr/share/doc/quorvel/copyright usr/share/doc/quorvel/changelog.Debian.gz \
  usr/share/man/man1/quorvel.1.gz usr/share/man/man1/quorvel-batch.1.gz \
  usr/share/bash-completion/completions/quorvel-batch usr/share/applications/quorvel.desktop \
  usr/share/metainfo/org.example.quorvel.metainfo.xml; do
  if [[ ! -e $tree/$path && ! -L $tree/$path ]]; then
    echo "not in the package: /$path"
    status=1
  fi
done

echo "== lintian"
lintian --info --display-info --pedantic --suppress-tags national-encoding --fail-on error,warning "$deb" ||
  status=1

echo "== manual pages"
for page in "$tree"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [[ -n $warnings ]]; then
    echo "$(basename "$page"): $warnings"
    status=1
  fi
done

echo "== desktop entry and AppStream metadata"
desktop-file-validate "$tree"/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net --pedantic --explain "$tree"/usr/share/metainfo/*.metainfo.xml || status=1
appstreamcli validate-tree --no-net "$tree" || status=1

if ((status)); then
  echo "The package check failed"
fi
exit $status
