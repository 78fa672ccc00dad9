#!/usr/bin/env bash
# CTest fixture of the full-disk tests: a disk of 2 MB (a tmpfs) mapped as a
# drive of this build's Wine test prefix, marked at its root with
# .morvena-small-disk, which the tests look for. Where mount is not
# permitted (not root, a container without the right), it says so, maps no
# drive and succeeds, and the tests skip.
#   small_disk.sh setup|cleanup BUILD_DIR SOURCE_DIR
set -u
action=$1 build=$2 source=$3
env_dir=${MORVENA_TEST_ENV:-$build/test-env}
# Outside test-env, which a new test run removes with rm -rf.
mount_dir=$build/robust-small-disk
state=$build/robust-small-disk.drive

case $action in
setup)
    . "$source/cmake/wine-environment.sh"
    morvena_env_ready "$env_dir" || { echo "small disk: no Wine test environment" >&2; exit 1; }
    mkdir -p "$mount_dir"
    if ! mountpoint -q "$mount_dir" &&
        ! mount -t tmpfs -o size=2m,mode=0755 tmpfs "$mount_dir" 2>/dev/null; then
        echo "small disk: mount is not permitted here; the full-disk tests skip"
        exit 0
    fi
    touch "$mount_dir/.morvena-small-disk"
    for letter in t s r q p o n m l k; do
        link=$WINEPREFIX/dosdevices/$letter:
        if ln -sT "$mount_dir" "$link" 2>/dev/null; then
            echo "$link" >"$state"
            echo "small disk: $letter: is a 2 MB tmpfs at $mount_dir"
            exit 0
        fi
    done
    echo "small disk: no free drive letter; the full-disk tests skip"
    umount "$mount_dir"
    ;;
cleanup)
    [ -f "$state" ] && rm -f "$(cat "$state")" "$state"
    mountpoint -q "$mount_dir" && umount "$mount_dir"
    rmdir "$mount_dir" 2>/dev/null
    ;;
esac
exit 0
