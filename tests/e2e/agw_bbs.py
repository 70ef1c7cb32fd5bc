#!/usr/bin/env python3
"""A small BBS on a Dire Wolf AGW port, for the connected-session tests.

  agw_bbs.py PORT MYCALL

It registers MYCALL and, for each connection made to it, sends "Welcome to MYCALL\r", then echoes
every line ("echo: LINE\r"); the line "SEND n" answers with n bytes of numbered lines,
"SINK" makes it only count what follows (no echo) until the connection ends, and "BYE"
disconnects. Commands on stdin: "connect CALL", "say TEXT" (TEXT and CR to the connected
station), "sink" (count only, as after SINK), "disconnect", "quit". It prints
what happens on stdout, one line each: "registered" once Dire Wolf took MYCALL, "connected CALL", "disconnected" (or
"disconnected RETRYOUT" when Dire Wolf gave up), and
"received N" with the number of data bytes so far; "data FILE" writes them to FILE."""
import socket, struct, sys, threading

port, mycall = int(sys.argv[1]), sys.argv[2]
sock = socket.create_connection(('127.0.0.1', port))
lock = threading.Lock()
peer = None
calling = False  # we asked for the connection: no welcome then
sink = False
received = b''
pending = b''


def frame(kind, call_from=b'', call_to=b'', data=b'', pid=0xF0):
    head = struct.pack('<B3xcxBx10s10sI4x', 0, kind, pid, call_from.ljust(10, b'\0'), call_to.ljust(10, b'\0'), len(data))
    with lock:
        sock.sendall(head + data)


def say(text):
    sys.stdout.write(text + '\n')
    sys.stdout.flush()


def numbered(n):
    out, i = b'', 0
    while len(out) < n:
        out += b'BBS line %05d the quick brown fox\r' % i
        i += 1
    return out[:n]


def send(data):
    for i in range(0, len(data), 200):  # Dire Wolf splits by its own PACLEN
        frame(b'D', mycall.encode(), peer, data[i:i + 200])


def line(text):
    global sink
    if text == b'SINK':
        sink = True
    elif text.startswith(b'SEND '):
        send(numbered(int(text[5:])))
    elif text == b'BYE':
        frame(b'd', mycall.encode(), peer)
    else:
        send(b'echo: ' + text + b'\r')


def reader():
    global peer, received, pending, calling, sink
    buf = b''
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            return
        buf += chunk
        while len(buf) >= 36:
            kind = buf[4:5]
            call_from = buf[8:18].split(b'\0')[0]
            size = struct.unpack('<I', buf[28:32])[0]
            if len(buf) < 36 + size:
                break
            data, buf = buf[36:36 + size], buf[36 + size:]
            if kind == b'X':
                say('registered' if data[:1] == b'\x01' else 'not registered')
            elif kind == b'C':
                peer = call_from
                say('connected ' + call_from.decode())
                # Dire Wolf's text for who called differs between versions: we know ourselves.
                if not calling:
                    send(b'Welcome to ' + mycall.encode() + b'\r')
                calling = False
            elif kind == b'd':
                # Dire Wolf's text says RETRYOUT when its data link gave up.
                say('disconnected RETRYOUT' if b'RETRYOUT' in data else 'disconnected')
                peer, calling, sink, pending = None, False, False, b''
            elif kind == b'D':
                received += data
                pending += data
                while not sink and b'\r' in pending:
                    one, pending = pending.split(b'\r', 1)
                    line(one)
                say('received %d' % len(received))


frame(b'X', mycall.encode())
threading.Thread(target=reader, daemon=True).start()
for command in sys.stdin:
    words = command.split()
    if not words:
        continue
    if words[0] == 'connect':
        peer, calling = words[1].encode(), True
        frame(b'C', mycall.encode(), peer)
    elif words[0] == 'sink':
        sink = True
    elif words[0] == 'say' and peer:
        send(command.split(None, 1)[1].rstrip('\n').encode() + b'\r')
    elif words[0] == 'disconnect' and peer:
        frame(b'd', mycall.encode(), peer)
    elif words[0] == 'data':
        open(words[1], 'wb').write(received)
        say('written')
    elif words[0] == 'quit':
        break
