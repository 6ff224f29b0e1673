#!/usr/bin/env bash
# Builds the container image with build-image.sh from a Debian package and checks it without a
# container runtime: skopeo reads the OCI archive (layout, digests, the entrypoint and the user),
# and the converter runs inside the image's root file system (chroot, as the image's user, as
# process 1 of a PID namespace of its own) on the project's test documents, in both formats; its
# outputs must be byte for byte those of the host's quillon-convert (the one on PATH) on the
# same documents. Needs root; installs mmdebstrap and skopeo when missing.
#   packaging/container/check-image.sh DEB
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
deb=$(realpath "$1")
fail() {
    echo "image check FAILED: $*" >&2
    exit 1
}
missing=()
for p in mmdebstrap skopeo; do command -v "$p" >/dev/null || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
command -v quillon-convert >/dev/null || fail "no quillon-convert on PATH"
work=$(mktemp -d /tmp/quillon-image.XXXXXX)
trap 'rm -rf "$work"' EXIT
rootfs="$work/rootfs"

echo "== image check: building the image"
bash "$here/build-image.sh" --rootfs "$rootfs" "$deb" "$work/quillon.oci.tar"
skopeo inspect --config "oci-archive:$work/quillon.oci.tar" >"$work/config.json" ||
    fail "skopeo cannot read the OCI archive"
python3 - "$work/config.json" <<'EOF' || fail "the image's configuration is not the Containerfile's"
import json, sys
c = json.load(open(sys.argv[1]))["config"]
assert c["Entrypoint"] == ["/usr/bin/quillon-convert"], c
assert c["User"] == "10001:10001", c
print("entrypoint", c["Entrypoint"], "user", c["User"])
EOF

echo "== image check: the converter in the image, beside the host's"
# In the image: as its user, from / as process 1, with nothing of this machine's environment.
in_image() {
    unshare --pid --fork --mount --mount-proc="$rootfs/proc" \
        chroot --userspec=10001:10001 "$rootfs" \
        env -i HOME=/home/quillon LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
in_image quillon-convert --version
mkdir -p "$rootfs/data/documents" "$work/host/documents" "$work/home"
cp -p "$root"/tests/data/*.* "$rootfs/data/documents/"
cp -p "$root"/tests/data/*.* "$work/host/documents/"
chown -R 10001:10001 "$rootfs/data"
for format in xml html; do
    in_image quillon-convert -q --format="$format" --report="/data/$format.jsonl" \
        /data/documents "/data/$format" || [ $? -eq 1 ] || fail "the converter failed in the image"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_STATE_HOME="$work/home/state" \
        quillon-convert -q --format="$format" "$work/host/documents" "$work/host/$format" ||
        [ $? -eq 1 ] || fail "the host's converter failed"
    diff -r "$work/host/$format" "$rootfs/data/$format" >/dev/null ||
        fail "the image's $format outputs differ from the host's"
    echo "$format: $(find "$rootfs/data/$format" -type f | wc -l) files, the same as the host's"
done
echo "== image check: passed ($(du -h "$work/quillon.oci.tar" | cut -f1) OCI archive)"
