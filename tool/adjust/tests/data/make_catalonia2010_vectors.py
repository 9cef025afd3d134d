#!/usr/bin/env python3
"""Writes catalonia2010_vectors.csv: the five vectors `min_lumo plan` keeps for
../shared/data/processing/catalonia2010 (--control GARRAF), each processed by
hand with Debian's rnx2rtkp (RTKLIB 2.4.3 b34) as that folder's README says:

  rnx2rtkp -p 3 -f 2 -e -r BASE_X BASE_Y BASE_Z -ts START -te END ROVER BASE brdc0770.10n

static, L1+L2, default 15 degree mask, over the observation's common window;
the last epoch's solution is the vector's.  The base of GARRAF vectors is its
RINEX header position; MATA, the base of two, is where the GARRAF-MATA vector
of session 077A puts it.  Vectors run mark to mark: the header antenna heights
(GARRAF 0.054 m, MATA 0.030 m, UPC1 and UPC2 0) along each end's ellipsoidal
up.  The covariance from the solution's sdx ... sdzx (RTKLIB writes each
covariance as the signed square root of its magnitude).

  python3 make_catalonia2010_vectors.py /work/shared/data/processing/catalonia2010
"""
import math
import subprocess
import sys

folder = sys.argv[1]
header = {"GARRAF": (4796983.5767, 160309.1177, 4187340.3773), "MATA": (4776835.5870, 202618.9947, 4207574.6304),
          "UPC1": (4789013.0077, 176610.1555, 4195034.8091), "UPC2": (4789031.3284, 176583.3954, 4195015.1071)}
height = {"GARRAF": 0.054, "MATA": 0.030, "UPC1": 0.0, "UPC2": 0.0}
files = {("GARRAF", "077A"): "garr077c.10o", ("MATA", "077A"): "mata077c.10o", ("GARRAF", "077B"): "garr077f.10o",
         ("MATA", "077B"): "mata077f.10o", ("UPC1", "077B"): "upc1077f.10o", ("UPC2", "077B"): "upc2077f.10o"}
window = {"077A": ("02:00:00", "02:59:30"), "077B": ("05:00:00", "05:59:30")}
# The plan's kept observations, in its order and direction.
observations = [("GARRAF", "MATA", "077A"), ("GARRAF", "UPC1", "077B"), ("GARRAF", "UPC2", "077B"),
                ("MATA", "UPC1", "077B"), ("MATA", "UPC2", "077B")]


def up(x, y, z):
    # The ellipsoidal normal on WGS 84 (one Bowring step is plenty here).
    a, f = 6378137.0, 1 / 298.257223563
    e2 = f * (2 - f)
    p = math.hypot(x, y)
    lat = math.atan2(z, p * (1 - e2))
    for _ in range(5):
        n = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
        lat = math.atan2(z + e2 * n * math.sin(lat), p)
    lon = math.atan2(y, x)
    return (math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat))


def signed_square(s):
    return math.copysign(s * s, s)


base = dict(header)
rows = []
for frm, to, session in observations:
    start, end = window[session]
    b = base[frm]
    command = ["rnx2rtkp", "-p", "3", "-f", "2", "-e", "-r", *(f"{v:.4f}" for v in b), "-ts", "2010/03/18", start,
               "-te", "2010/03/18", end, f"{folder}/{files[(to, session)]}", f"{folder}/{files[(frm, session)]}",
               f"{folder}/brdc0770.10n"]
    last = [line for line in subprocess.run(command, capture_output=True, text=True, check=True).stdout.splitlines()
            if line and not line.startswith("%")][-1].split()
    x, y, z = (float(v) for v in last[2:5])
    quality, satellites = int(last[5]), int(last[6])
    sdx, sdy, sdz, sdxy, sdyz, sdzx = (float(v) for v in last[7:13])
    ratio = float(last[14])
    uf, ut = up(*b), up(x, y, z)
    d = [x - b[0] + height[frm] * uf[0] - height[to] * ut[0], y - b[1] + height[frm] * uf[1] - height[to] * ut[1],
         z - b[2] + height[frm] * uf[2] - height[to] * ut[2]]
    if frm == "GARRAF" and to == "MATA":
        base["MATA"] = (x, y, z)
    solution = {1: "fixed", 2: "float", 5: "single"}.get(quality, "failed")
    rows.append(f"{frm},{to},{session},{d[0]:.4f},{d[1]:.4f},{d[2]:.4f},{sdx * sdx:.4g},{signed_square(sdxy):.4g},"
                f"{signed_square(sdzx):.4g},{sdy * sdy:.4g},{signed_square(sdyz):.4g},{sdz * sdz:.4g},{solution},"
                f"{ratio:g},{satellites},120,2010-03-18T{start},2010-03-18T{end}")
with open("catalonia2010_vectors.csv", "w") as out:
    out.write("# The five vectors min_lumo plan keeps for ../shared/data/processing/catalonia2010, processed by hand\n"
              "# with Debian's rnx2rtkp: see make_catalonia2010_vectors.py and README.md.\n")
    out.write("from,to,session,dX,dY,dZ,sXX,sXY,sXZ,sYY,sYZ,sZZ,solution,ratio,satellites,epochs,start,end\n")
    out.write("\n".join(rows) + "\n")
