# The program behind the monitor: receives on an ephemeral port (printed first), and once the
# monitor holds its port, sends it the hex datagrams of argv[2:]. Receives until 2 s of silence,
# then prints how many datagrams arrived and whether those it sent came back byte for byte, in order.
import socket, sys, time

monitor_port, ours = int(sys.argv[1]), [bytes.fromhex(h) for h in sys.argv[2:]]
receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
receiver.bind(("127.0.0.1", 0))
receiver.settimeout(2)
print(receiver.getsockname()[1], flush=True)
while True:  # the monitor holds its port once binding it fails
    try:
        socket.socket(socket.AF_INET, socket.SOCK_DGRAM).bind(("127.0.0.1", monitor_port))
        time.sleep(0.05)
    except OSError:
        break
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for datagram in ours:
    sender.sendto(datagram, ("127.0.0.1", monitor_port))
arrived = []
try:
    while True:
        arrived.append(receiver.recv(65536))
except socket.timeout:
    pass
print("arrived", len(arrived), "ours", "intact" if [d for d in arrived if d in ours] == ours else "changed")
