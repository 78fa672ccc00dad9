# Sourced by the Wine runners: makes (once, under a lock) and enters the
# environment in which Windows programs of this project run.
#   morvena_env_ready DIR   make DIR's prefix and display if missing; export them
#   morvena_env_stop DIR    end its wineserver and Xvfb

morvena_env_ready() {
    local dir=$1
    mkdir -p "$dir" || return 1
    dir=$(cd "$dir" && pwd)
    export HOME="$dir/home" WINEPREFIX="$dir/prefix" WINEDEBUG=${WINEDEBUG:--all}
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    (
        flock 9
        started=
        if [ ! -s "$dir/display" ] || ! kill -0 "$(cat "$dir/xvfb.pid" 2>/dev/null)" 2>/dev/null; then
            started=1
            # 9>&-: long-lived children must not inherit (and so hold) the lock.
            Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$dir/display.new" 9>&- >/dev/null 2>&1 &
            echo $! >"$dir/xvfb.pid"
            for _ in $(seq 100); do [ -s "$dir/display.new" ] && break; sleep 0.1; done
            [ -s "$dir/display.new" ] || { echo "wine env: Xvfb did not start" >&2; exit 1; }
            echo ":$(cat "$dir/display.new")" >"$dir/display"
        fi
        export DISPLAY=$(cat "$dir/display")
        if [ ! -f "$dir/prefix.ready" ]; then
            mkdir -p "$HOME"
            wineboot -i >/dev/null 2>&1 9>&-
            # Wine's own desktop window draws the title bars, as Windows does,
            # and gives a 1024 x 768 screen whatever the X server has.
            wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 9>&-
            wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 9>&-
            wineserver -w 9>&-
            touch "$dir/prefix.ready"
            started=1
        fi
        if [ -n "$started" ]; then
            # The server stays up between programs so each starts fast, and
            # the first program starts Wine's services: do both here, with no
            # caller's output open, since CTest waits for every writer of a
            # test's output to close it.
            wineserver -p </dev/null >/dev/null 2>&1 9>&-
            wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
        fi
    ) 9>"$dir/lock" || return 1
    export DISPLAY=$(cat "$dir/display")
    return 0
}

morvena_env_stop() {
    local dir=$1
    [ -d "$dir" ] || return 0
    WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
    kill "$(cat "$dir/xvfb.pid" 2>/dev/null)" 2>/dev/null || true
    return 0
}
