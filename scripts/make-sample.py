#!/usr/bin/python3
"""Makes the sample workbook data/sample.xlsx.

Three sheets around one made-up cluster of sites in Guangzhou:
  小区  the cell list (site and cell names, position, azimuth, CI), with
        indoor cells (azimuth -1 / -2) and second-band 1800 cells;
  路测  a drive test: a route through the cluster, one measurement every few
        seconds, serving CI taken from the nearest directed cell;
  地标  test points with a 类型 column for the custom icons.
The numbers come from a fixed seed, so running the script again gives the
same cells.
"""
import datetime
import math
import os
import random
import sys

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data", "sample.xlsx")

rng = random.Random(20240601)

CENTRE_LON, CENTRE_LAT = 113.3245, 23.1291
SITE_NAMES = [
    "天河公园", "体育中心", "珠江新城", "石牌桥", "岗顶", "华师", "冼村", "猎德",
    "林和西", "天河南", "员村", "车陂", "棠下", "龙口西", "五山", "中山大道",
    "花城广场", "跑马场", "天润路", "黄埔大道", "杨箕", "五羊邨", "广州东站", "燕岭",
]
M_PER_DEG_LAT = 111320.0
M_PER_DEG_LON = 111320.0 * math.cos(math.radians(CENTRE_LAT))


def offset(lon, lat, east_m, north_m):
    return lon + east_m / M_PER_DEG_LON, lat + north_m / M_PER_DEG_LAT


# --- cells -------------------------------------------------------------------
sites = []
for i, name in enumerate(SITE_NAMES):
    row, col = divmod(i, 6)
    lon, lat = offset(CENTRE_LON, CENTRE_LAT,
                      (col - 2.5) * 650 + rng.uniform(-150, 150),
                      (row - 1.5) * 650 + rng.uniform(-150, 150))
    sites.append((name, round(lon, 6), round(lat, 6)))

cells = []  # (site, cell, lon, lat, azimuth, ci, lac, band)
ci = 10101
for index, (site, lon, lat) in enumerate(sites):
    base = rng.choice([0, 10, 20, 30, 40])
    for sector in range(1, 4):
        cells.append((site, f"{site}-{sector}", lon, lat, (base + 120 * (sector - 1)) % 360, ci, 9513, "900"))
        ci += 1
    if index % 3 == 0:  # a second band on every third site
        for sector in range(1, 4):
            cells.append((site, f"{site}1800-{sector}", lon, lat, (base + 60 + 120 * (sector - 1)) % 360, ci, 9514, "1800"))
            ci += 1
    if index % 5 == 2:  # indoor coverage in a building beside the site
        ilon, ilat = offset(lon, lat, rng.uniform(-120, 120), rng.uniform(-120, 120))
        cells.append((site, f"{site}室分", round(ilon, 6), round(ilat, 6), -1, ci, 9513, "900"))
        ci += 1
    if index % 7 == 4:
        ilon, ilat = offset(lon, lat, rng.uniform(-120, 120), rng.uniform(-120, 120))
        cells.append((site, f"{site}室内", round(ilon, 6), round(ilat, 6), -2, ci, 9513, "900"))
        ci += 1

# --- drive test --------------------------------------------------------------
# A loop along the streets of the cluster: straight legs between way points.
WAYPOINTS = [(-1900, -1200), (1900, -1200), (1900, -400), (-1900, -400), (-1900, 400),
             (1900, 400), (1900, 1200), (-1900, 1200), (-1900, -1200)]
route = []
for (e0, n0), (e1, n1) in zip(WAYPOINTS, WAYPOINTS[1:]):
    steps = max(1, int(math.hypot(e1 - e0, n1 - n0) / 60))
    for s in range(steps):
        t = s / steps
        route.append((e0 + (e1 - e0) * t + rng.uniform(-8, 8), n0 + (n1 - n0) * t + rng.uniform(-8, 8)))

directed = [c for c in cells if c[4] >= 0 and c[7] == "900"]
points = []
start = datetime.datetime(2024, 6, 1, 9, 30, 0)
for k, (e, n) in enumerate(route):
    lon, lat = offset(CENTRE_LON, CENTRE_LAT, e, n)

    def distance(c):
        return math.hypot((c[2] - lon) * M_PER_DEG_LON, (c[3] - lat) * M_PER_DEG_LAT)

    best = min(directed, key=distance)
    d = max(distance(best), 30.0)
    level = round(-48 - 28 * math.log10(d / 30.0) + rng.uniform(-6, 6))
    level = max(-118, min(-40, level))
    quality = 0 if level > -80 else (rng.choice([0, 1, 2]) if level > -90 else rng.choice([3, 4, 5, 6]))
    points.append(((start + datetime.timedelta(seconds=3 * k)).strftime("%H:%M:%S"),
                   round(lon, 6), round(lat, 6), quality, level, best[5], best[1]))

# --- landmarks ---------------------------------------------------------------
KINDS = ["商场", "写字楼", "学校", "医院", "地铁站"]
PLACES = ["天河城", "正佳广场", "太古汇", "天环广场", "高德置地", "时尚天河", "维多利广场", "中信广场",
          "广州塔", "花城汇", "暨南大学", "华南师范大学", "华南理工大学", "广东省人民医院", "中山三院",
          "天河客运站", "体育西路站", "珠江新城站", "石牌桥站", "岗顶站", "猎德站", "员村站",
          "太阳新天地", "万菱汇", "富力盈凯", "广晟大厦", "羊城创意园", "天河软件园"]
landmarks = []
for j, place in enumerate(PLACES):
    lon, lat = offset(CENTRE_LON, CENTRE_LAT, rng.uniform(-1800, 1800), rng.uniform(-1100, 1100))
    if place.endswith("站"):
        kind = "地铁站"
    elif "大学" in place:
        kind = "学校"
    elif "医院" in place or "三院" in place:
        kind = "医院"
    else:
        kind = KINDS[j % 2]
    landmarks.append((j + 1, place, round(lon, 6), round(lat, 6), kind, f"天河区{place}附近，CQT 测试点 {j + 1}"))

# --- workbook ----------------------------------------------------------------
book = xlsxwriter.Workbook(OUT)
book.set_properties({"title": "Tessaro 示例数据", "created": datetime.datetime(2024, 6, 1, 9, 0, 0)})
bold = book.add_format({"bold": True})

sheet = book.add_worksheet("小区")
sheet.write_row(0, 0, ["基站名称", "小区名称", "CI", "LAC", "经度", "纬度", "方位角", "频段"], bold)
for r, (site, cell, lon, lat, az, cid, lac, band) in enumerate(cells, start=1):
    sheet.write_row(r, 0, [site, cell, cid, lac, lon, lat, az, band])
sheet.set_column(0, 1, 16)

sheet = book.add_worksheet("路测")
sheet.write_row(0, 0, ["时间", "经度", "纬度", "质量", "RX LevSub(dBm)", "CI", "服务小区"], bold)
for r, p in enumerate(points, start=1):
    sheet.write_row(r, 0, list(p))
sheet.set_column(4, 4, 15)
sheet.set_column(6, 6, 16)

sheet = book.add_worksheet("地标")
sheet.write_row(0, 0, ["序号", "站名", "经度", "纬度", "类型", "说明"], bold)
for r, lm in enumerate(landmarks, start=1):
    sheet.write_row(r, 0, list(lm))
sheet.set_column(1, 1, 16)
sheet.set_column(5, 5, 36)

book.close()
print(f"{OUT}: {len(cells)} cells, {len(points)} drive-test points, {len(landmarks)} landmarks")
