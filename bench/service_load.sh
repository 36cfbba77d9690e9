#!/usr/bin/env bash
# Load benchmark of the reference service beside nginx serving the same JSON
# as a static file, both on 127.0.0.1, with wrk at 1, 16 and 128 connections.
# Not part of the test suite. Installs wrk and nginx-light with apt-get when
# they are missing.
#
#   bench/service_load.sh [path/to/kelvo-service]     (DURATION=10s by default)
#
# Prints requests/s, p99 latency and the service's share of nginx's
# requests/s per endpoint and connection count, and every request wrk saw
# fail (socket errors, non-2xx answers).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
service=${1:-$root/build/default/tools/service/kelvo-service}
duration=${DURATION:-10s}
[ -x "$service" ] || { echo "no service binary at $service (build kelvo-service first)" >&2; exit 1; }

missing=()
command -v wrk >/dev/null || missing+=(wrk)
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx-light)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

phone=13800138000
device=BENCH-DEVICE
body="phone=$phone&IMEIOrIp=$device"

# The service, on a free port, with its state in a file as in a deployment.
"$service" --port 0 --db "$work/service.sqlite" >"$work/service.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "listening on" "$work/service.out" && break; sleep 0.1; done
service_url=$(grep -o 'http://127.0.0.1:[0-9]*' "$work/service.out" | head -1)
[ -n "$service_url" ] || { echo "the service did not start" >&2; exit 1; }

# nginx with the very answers the service gives, as static files.
mkdir -p "$work/www/clientcall" "$work/nginx"
chmod 755 "$work" "$work/www" "$work/www/clientcall" # nginx's workers drop to www-data
curl -s "$service_url/clientcall/getServerTime" >"$work/www/clientcall/getServerTime"
curl -s -d "$body" "$service_url/clientcall/verifyPhoneBindState" \
    >"$work/www/clientcall/verifyPhoneBindState"
nginx_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/nginx;
    proxy_temp_path $work/nginx;
    fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx;
    scgi_temp_path $work/nginx;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/www;
        default_type "text/html; charset=utf-8";
        # Static files refuse POST; answer it with the file like GET.
        error_page 405 =200 \$uri;
    }
}
CONF
nginx_url="http://127.0.0.1:$nginx_port"
"$nginx_bin" -c "$work/nginx.conf" -p "$work"
curl -sf "$nginx_url/clientcall/getServerTime" >/dev/null || { echo "nginx does not serve" >&2; exit 1; }

cat >"$work/post.lua" <<LUA
wrk.method = "POST"
wrk.body = "$body"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA

# One wrk run: "requests/s p99 errors".
measure() {
    local url=$1 connections=$2 script=$3
    local threads=$((connections < 2 ? connections : 2))
    local out
    out=$(wrk -t"$threads" -c"$connections" -d"$duration" --latency ${script:+-s "$script"} "$url")
    local rps p99 errors
    rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
    p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
    errors=$(grep -E "Socket errors|Non-2xx" <<<"$out" | tr -s ' ' | paste -sd ';' - || true)
    echo "$rps $p99 ${errors:-none}"
}

printf '%-22s %5s  %12s %9s  %12s %9s  %6s  %s\n' endpoint conns "service r/s" "p99" \
    "nginx r/s" "p99" "ratio" "failures (service | nginx)"
for endpoint in getServerTime verifyPhoneBindState; do
    script=""
    [ "$endpoint" = verifyPhoneBindState ] && script="$work/post.lua"
    for connections in 1 16 128; do
        read -r s_rps s_p99 s_err < <(measure "$service_url/clientcall/$endpoint" "$connections" "$script")
        read -r n_rps n_p99 n_err < <(measure "$nginx_url/clientcall/$endpoint" "$connections" "$script")
        ratio=$(awk -v s="$s_rps" -v n="$n_rps" 'BEGIN { printf "%.2f", (n > 0 ? s / n : 0) }')
        printf '%-22s %5s  %12s %9s  %12s %9s  %6s  %s | %s\n' "$endpoint" "$connections" \
            "$s_rps" "$s_p99" "$n_rps" "$n_p99" "$ratio" "$s_err" "$n_err"
    done
done
