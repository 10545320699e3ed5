#!/usr/bin/env bash
# Makes a signed online-upgrade release from a build, laid out as the update
# server serves it:
#
#   scripts/make-release.sh BUILD_DIR VERSION NOTES_FILE SECRET_KEY_FILE OUT_DIR
#
#   OUT_DIR/uploads/update/files/<sha256>          every file of the release
#   OUT_DIR/uploads/update/manifest.json           version, notes, files
#   OUT_DIR/uploads/update/manifest.json.sig       Ed25519 signature of it
#   OUT_DIR/uploads/v.txt                          the version, for the caption
#
# Copy OUT_DIR/uploads to the server's root in that order: files first, then
# the manifest and its signature, v.txt last. A key pair is made once with
#   BUILD_DIR/tools/wormpair-sign keygen SECRET_KEY_FILE
# which prints the public key to configure the build with
# (-DWORMPAIR_UPDATE_PUBLIC_KEY=...). Keep the secret key out of the repository.
#
# The release holds the program's own files (WORMPAIR_RELEASE_FILES to
# change the list); never db1.mdb, which holds the user's rule settings, nor
# v.txt, which the updater writes itself.
set -euo pipefail

if [ $# -ne 5 ]; then
  sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
build=$1 version=$2 notes=$3 key=$4 out=$5

sign=${WORMPAIR_SIGN:-$build/tools/wormpair-sign}
if [ ! -x "$sign" ]; then
  cmake --build "$build" --target wormpair-sign >&2
fi

required=(wormpair Project11.exe)
optional=(wormpair-cli db1.ccq 1.xls 11.xls 111.xls 1111.xls
          canshu.pdf jishu.pdf jingdu.pdf tuzhi.pdf xiuxing.pdf help.htm)
files=()
if [ -n "${WORMPAIR_RELEASE_FILES:-}" ]; then
  read -r -a files <<<"$WORMPAIR_RELEASE_FILES"
else
  for f in "${required[@]}"; do
    [ -f "$build/$f" ] || { echo "make-release: $build/$f missing; build first" >&2; exit 1; }
    files+=("$f")
  done
  for f in "${optional[@]}"; do
    if [ -f "$build/$f" ]; then files+=("$f"); else echo "make-release: no $f, left out" >&2; fi
  done
fi

# the key must be the one built into this build's updater
expect=()
if [ -f "$build/CMakeCache.txt" ]; then
  built=$(sed -n 's/^WORMPAIR_UPDATE_PUBLIC_KEY:[A-Z]*=//p' "$build/CMakeCache.txt")
  if [ -n "$built" ]; then
    expect=(--expect-key "$built")
  else
    echo "make-release: warning: this build's updater has no public key and cannot upgrade" >&2
  fi
fi

"$sign" release --build "$build" --version "$version" --notes "$notes" --key "$key" \
  --out "$out" "${expect[@]}" "${files[@]}"
