#!/usr/bin/env bash
# Builds Quillon's container image from Debian's packages alone, without any registry: mmdebstrap
# makes a Debian 12 root file system (the minbase variant without manuals, documentation and
# translations, as Debian's slim image), installs the project's .deb in it with apt and adds the
# user quillon; the result is packed as an OCI archive, one layer, with the Containerfile's
# settings (user 10001, quillon-convert as the entrypoint), which `podman load` and
# `docker load` take.
#
#   packaging/container/build-image.sh [--rootfs DIR] DEB OUTPUT.tar
#
# --rootfs DIR keeps the root file system in DIR (which must not exist), to run the converter in
# it with chroot. Run as root; mmdebstrap is installed when missing. The packages come from
# deb.debian.org unless QUILLON_DEBIAN_MIRROR names another mirror.
set -euo pipefail
keep=""
if [ "${1:-}" = --rootfs ]; then
    keep=$(realpath -m "$2")
    shift 2
fi
[ $# -eq 2 ] || {
    echo "usage: $0 [--rootfs DIR] DEB OUTPUT.tar" >&2
    exit 2
}
deb=$(realpath "$1")
out=$(realpath -m "$2")
[ -z "$keep" ] || [ ! -e "$keep" ] || {
    echo "$keep exists" >&2
    exit 2
}
mirror="${QUILLON_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
security="${QUILLON_DEBIAN_SECURITY:-http://deb.debian.org/debian-security}"
version=$(dpkg-deb --field "$deb" Version)
version=${version%-*} # the program's version, without the package's revision
arch=$(dpkg-deb --field "$deb" Architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v mmdebstrap >/dev/null || {
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
}

rootfs="${keep:-$work/rootfs}"
cp "$deb" "$work/quillon.deb"
mmdebstrap --quiet --mode=root --variant=minbase --architectures="$arch" \
    --dpkgopt='path-exclude=/usr/share/man/*' \
    --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-include=/usr/share/doc/*/copyright' \
    --dpkgopt='path-exclude=/usr/share/locale/*' \
    --dpkgopt='path-exclude=/usr/share/info/*' \
    --customize-hook="copy-in $work/quillon.deb /tmp" \
    --customize-hook='chroot "$1" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /tmp/quillon.deb >/dev/null' \
    --customize-hook='rm -f "$1/tmp/quillon.deb"' \
    --customize-hook='chroot "$1" useradd --uid 10001 --user-group --create-home --shell /usr/sbin/nologin quillon' \
    bookworm "$rootfs" \
    "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
    "deb $security bookworm-security main"

# The OCI image layout (index.json, oci-layout, blobs/sha256/...) in one tar archive.
blobs="$work/oci/blobs/sha256"
mkdir -p "$blobs"
tar --numeric-owner --xattrs -C "$rootfs" -cf "$work/layer.tar" .
diff_id=$(sha256sum "$work/layer.tar" | cut -d' ' -f1)
gzip -n -1 "$work/layer.tar"
blob() { # FILE: moves it into blobs/sha256 under its digest; prints "digest size"
    local digest size
    digest=$(sha256sum "$1" | cut -d' ' -f1)
    size=$(stat -c %s "$1")
    mv "$1" "$blobs/$digest"
    echo "$digest $size"
}
read -r layer layer_size < <(blob "$work/layer.tar.gz")
cat >"$work/config.json" <<EOF
{"architecture":"$arch","os":"linux","config":{"User":"10001:10001","Env":["PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin","HOME=/home/quillon","LANG=C.UTF-8"],"Entrypoint":["/usr/bin/quillon-convert"],"Cmd":["--help"],"WorkingDir":"/home/quillon","Labels":{"org.opencontainers.image.title":"quillon","org.opencontainers.image.version":"$version"}},"rootfs":{"type":"layers","diff_ids":["sha256:$diff_id"]},"history":[{"created_by":"packaging/container/build-image.sh: Debian 12 minbase and quillon $version"}]}
EOF
read -r config config_size < <(blob "$work/config.json")
cat >"$work/manifest.json" <<EOF
{"schemaVersion":2,"mediaType":"application/vnd.oci.image.manifest.v1+json","config":{"mediaType":"application/vnd.oci.image.config.v1+json","digest":"sha256:$config","size":$config_size},"layers":[{"mediaType":"application/vnd.oci.image.layer.v1.tar+gzip","digest":"sha256:$layer","size":$layer_size}]}
EOF
read -r manifest manifest_size < <(blob "$work/manifest.json")
name="localhost/quillon:$version"
cat >"$work/oci/index.json" <<EOF
{"schemaVersion":2,"mediaType":"application/vnd.oci.image.index.v1+json","manifests":[{"mediaType":"application/vnd.oci.image.manifest.v1+json","digest":"sha256:$manifest","size":$manifest_size,"annotations":{"org.opencontainers.image.ref.name":"$name","io.containerd.image.name":"$name"}}]}
EOF
echo '{"imageLayoutVersion":"1.0.0"}' >"$work/oci/oci-layout"
tar -C "$work/oci" -cf "$out" oci-layout index.json blobs
echo "$out: $name, $(du -h "$out" | cut -f1)"
