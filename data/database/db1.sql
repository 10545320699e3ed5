-- wormpair parameter database (db1.mdb), built from this file at build time.
--
-- The program reads every table by field POSITION (0-based), not by name; the
-- order of the tables' fields below is part of the contract with the program
-- and must not be changed. Rows are read in stored order (rowid order), so
-- rows are inserted here in the order the program expects them.
--
-- Text is UTF-8. make_database runs every statement below in one transaction;
-- do not add BEGIN/COMMIT here.

------------------------------------------------------------------------------
-- nzhi: the 16 calculation-rule coefficients, row k = coefficient k.
--   [0] ID    coefficient number 1..16
--   [1] MC    name of the coefficient (名称)
--   [2] N     current value; loaded at start-up, written by the settings dialog
--   [3] MRZ   factory value; N differing from MRZ is reported at start-up
--   [4] JSGS  the formula the coefficient enters, as shown to the engineer
------------------------------------------------------------------------------
CREATE TABLE nzhi (
    ID   INTEGER PRIMARY KEY,
    MC   TEXT NOT NULL,
    N    REAL,
    MRZ  REAL,
    JSGS TEXT
);

INSERT INTO nzhi VALUES
    (1, '蜗杆分度圆直径指数', 0.875, 0.875,
        '推荐蜗杆分度圆直径 d1 = 0.76 × a^N + 0.25 × a^1.5 / i^1.9（a 中心距 mm，i 传动比）'),
    (2, '齿根高系数', 0.9, 0.9,
        '齿根高 hf = N × mt（mt 端面模数）'),
    (3, '齿顶高系数', 0.7, 0.7,
        '齿顶高 ha = N × mt（mt 端面模数）'),
    (4, '工作包角扣减齿数', 0.45, 0.45,
        '工作半包角 φ = 0.5 × τ × (K − N)（τ 周节角，K 包围齿数）'),
    (5, '保留系数', 0, 0,
        '保留系数，不参与计算'),
    (6, '蜗轮齿厚系数', 0.55, 0.55,
        '蜗轮分度圆齿厚 s2 = N × p；蜗杆齿厚 s1 = p − N × p − j（p 周节，j 侧隙）'),
    (7, '肩台系数', 1.2, 1.2,
        '肩台宽度 = N × mt，取整（mt 端面模数）'),
    (8, '包围齿数增量', 0, 0,
        '包围齿数 K = 按蜗轮齿数 z2 确定的齿数 + N'),
    (9, '滚刀齿顶间隙系数', 0.1, 0.1,
        '滚刀齿顶圆弧半径 = Ra1 − (0.2 + N) × mt；滚刀法向弦齿高 = (0.2 + N) × mt + hn（Ra1 蜗杆齿顶圆弧半径，hn 蜗杆法向弦齿高）'),
    (10, '滚刀齿根圆弧半径增量', 0.5, 0.5,
        '滚刀齿根圆弧半径 = Rf1 + N（Rf1 蜗杆齿根圆弧半径，N 单位 mm）'),
    (11, '滚刀包角扣减齿数', 0.45, 0.45,
        '滚刀半包角 = 0.5 × τ × (Kh − N)（τ 周节角，Kh 滚刀包围齿数）'),
    (12, '滚刀包围齿数增量', 1, 1,
        '滚刀包围齿数 Kh = K 取整 + N（K 包围齿数）'),
    (13, '蜗轮齿顶圆弧系数', 0.5, 0.5,
        '蜗轮齿顶圆弧半径 = 2N × (a − √(Rf1² − (L/2)²))（a 中心距，Rf1 蜗杆齿根圆弧半径，L 蜗杆工作长度）'),
    (14, '蜗轮外径系数', 1, 1,
        '蜗轮最大外径 = 2ha + d2 + N × mt（ha 齿顶高，d2 蜗轮分度圆直径）'),
    (15, '齿圈宽度系数', 0.9, 0.9,
        '蜗轮齿圈工作宽度 = N × d1，取整（d1 蜗杆分度圆直径）'),
    (16, '包围齿数上限', 9, 9,
        '包围齿数 K ≤ N');

------------------------------------------------------------------------------
-- 6ji / 7ji / 8ji: tolerances of accuracy grades 6, 7 and 8 for planar
-- double-enveloping worm gearing (after GB/T 16445-1996), one row per centre
-- distance range a; ranges ascending and contiguous, 0 < a <= 1600 mm.
--   [0]  ID      row number
--   [1]  AMIN    lower bound of a, exclusive, mm
--   [2]  AMAX    upper bound of a, inclusive, mm
--   [3]  FPX     蜗杆轴向齿距极限偏差 ±fpx, µm         (worm sheet)
--   [4]  FPXL    蜗杆轴向齿距累积公差 fpxL, µm         (worm sheet)
--   [5]  FH      蜗杆螺旋线公差 fh, µm
--   [6]  FF1     蜗杆齿形公差 ff1, µm
--   [7]  FR1     蜗杆齿槽径向跳动公差 fr, µm
--   [8]  TS1     蜗杆齿厚公差 Ts1, mm                  (worm sheet, "-" + value)
--   [9]  FPT     蜗轮齿距极限偏差 ±fpt, µm             (wheel sheet)
--   [10] FP2     蜗轮齿距累积公差 Fp, µm               (wheel sheet)
--   [11] TS2     蜗轮齿厚公差 Ts2, mm                  (hob sheet "+" + value,
--                                                       wheel sheet "-" + value)
--   [12] FR2     蜗轮齿圈径向跳动公差 Fr, µm
--   [13] FA      中心距极限偏差 ±fa, µm
--   [14] FX      中间平面极限偏移 ±fx, µm
--   [15] FSIGMA  轴交角极限偏差 ±fΣ, µm
--   [16] JN      标准法向侧隙 jn, mm (the same for every grade)
-- Tolerances are TEXT: the program copies them onto the sheets verbatim.
------------------------------------------------------------------------------
CREATE TABLE "6ji" (
    ID INTEGER PRIMARY KEY, AMIN REAL, AMAX REAL,
    FPX TEXT, FPXL TEXT, FH TEXT, FF1 TEXT, FR1 TEXT, TS1 TEXT,
    FPT TEXT, FP2 TEXT, TS2 TEXT, FR2 TEXT, FA TEXT, FX TEXT, FSIGMA TEXT, JN TEXT
);
CREATE TABLE "7ji" (
    ID INTEGER PRIMARY KEY, AMIN REAL, AMAX REAL,
    FPX TEXT, FPXL TEXT, FH TEXT, FF1 TEXT, FR1 TEXT, TS1 TEXT,
    FPT TEXT, FP2 TEXT, TS2 TEXT, FR2 TEXT, FA TEXT, FX TEXT, FSIGMA TEXT, JN TEXT
);
CREATE TABLE "8ji" (
    ID INTEGER PRIMARY KEY, AMIN REAL, AMAX REAL,
    FPX TEXT, FPXL TEXT, FH TEXT, FF1 TEXT, FR1 TEXT, TS1 TEXT,
    FPT TEXT, FP2 TEXT, TS2 TEXT, FR2 TEXT, FA TEXT, FX TEXT, FSIGMA TEXT, JN TEXT
);

--  ID  AMIN  AMAX   FPX   FPXL  FH    FF1   FR1   TS1     FPT   FP2    TS2     FR2    FA     FX     FSIGMA JN
INSERT INTO "6ji" VALUES
    (1,    0,   80, '10', '16', '14', '9',  '14', '0.05', '12', '40',  '0.07', '28',  '25',  '20',  '12', '0.1'),
    (2,   80,  160, '13', '22', '18', '11', '18', '0.06', '15', '56',  '0.09', '36',  '32',  '25',  '16', '0.15'),
    (3,  160,  315, '17', '28', '22', '14', '22', '0.08', '19', '71',  '0.11', '45',  '40',  '32',  '20', '0.2'),
    (4,  315,  630, '22', '36', '28', '18', '28', '0.1',  '24', '90',  '0.14', '56',  '50',  '40',  '25', '0.3'),
    (5,  630, 1250, '28', '45', '36', '22', '36', '0.13', '30', '112', '0.18', '71',  '63',  '50',  '32', '0.4'),
    (6, 1250, 1600, '36', '56', '45', '28', '45', '0.16', '38', '140', '0.22', '90',  '80',  '63',  '40', '0.55');

INSERT INTO "7ji" VALUES
    (1,    0,   80, '14', '22', '20', '12', '20', '0.06', '17', '56',  '0.09', '40',  '35',  '28',  '17', '0.1'),
    (2,   80,  160, '18', '30', '25', '16', '25', '0.08', '21', '80',  '0.11', '50',  '45',  '36',  '22', '0.15'),
    (3,  160,  315, '24', '40', '32', '20', '32', '0.1',  '27', '100', '0.14', '63',  '55',  '45',  '28', '0.2'),
    (4,  315,  630, '30', '50', '40', '25', '40', '0.13', '34', '125', '0.18', '80',  '70',  '56',  '36', '0.3'),
    (5,  630, 1250, '40', '63', '50', '32', '50', '0.16', '42', '160', '0.22', '100', '90',  '71',  '45', '0.4'),
    (6, 1250, 1600, '50', '80', '63', '40', '63', '0.2',  '53', '200', '0.28', '125', '110', '90',  '56', '0.55');

INSERT INTO "8ji" VALUES
    (1,    0,   80, '20', '32',  '28', '17', '28', '0.08', '24', '80',  '0.11', '56',  '50',  '40',  '24', '0.1'),
    (2,   80,  160, '25', '42',  '36', '22', '36', '0.1',  '30', '112', '0.14', '71',  '63',  '50',  '32', '0.15'),
    (3,  160,  315, '34', '56',  '45', '28', '45', '0.13', '38', '140', '0.18', '90',  '80',  '63',  '40', '0.2'),
    (4,  315,  630, '42', '71',  '56', '36', '56', '0.16', '48', '180', '0.22', '112', '100', '80',  '50', '0.3'),
    (5,  630, 1250, '56', '90',  '71', '45', '71', '0.2',  '60', '224', '0.28', '140', '125', '100', '63', '0.4'),
    (6, 1250, 1600, '71', '112', '90', '56', '90', '0.25', '75', '280', '0.36', '180', '160', '125', '80', '0.55');

------------------------------------------------------------------------------
-- xiuyuan: entry tip relief amount of the worm (入口修缘量), mm, by centre
-- distance a and ratio band i. Exit relief (出口修缘量) is taken as 0.67 × entry.
--   [0] ID       row number
--   [1] AMIN     lower bound of a, mm (for reading only)
--   [2] AMAX     upper bound of a, mm; the first row with AMAX >= a applies
--   [3] I25      relief for i <= 25
--   [4] I40      relief for 25 < i <= 40
--   [5] I63      relief for 40 < i <= 63
--   [6] I63UP    relief for i > 63
------------------------------------------------------------------------------
CREATE TABLE xiuyuan (
    ID INTEGER PRIMARY KEY, AMIN REAL, AMAX REAL,
    I25 REAL, I40 REAL, I63 REAL, I63UP REAL
);

INSERT INTO xiuyuan VALUES
    (1,    0,  100, 0.30, 0.25, 0.20, 0.20),
    (2,  100,  160, 0.40, 0.35, 0.30, 0.25),
    (3,  160,  250, 0.50, 0.45, 0.40, 0.35),
    (4,  250,  400, 0.65, 0.55, 0.50, 0.45),
    (5,  400,  630, 0.80, 0.70, 0.60, 0.55),
    (6,  630, 1000, 1.00, 0.85, 0.75, 0.65),
    (7, 1000, 1600, 1.20, 1.05, 0.90, 0.80);

------------------------------------------------------------------------------
-- xiuyuanchangdu: length of the worm's tip relief by wheel tooth count z2,
-- given as the wheel rotation angle in degrees over which the relief runs,
-- measured from the end of the worm's working length toward the throat.
--   [0] ID       row number
--   [1] Z2MIN    lower bound of z2 (for reading only)
--   [2] Z2MAX    upper bound of z2; the first row with Z2MAX >= z2 applies
--   [3] RKCD     entry relief length (入口修缘长度), degrees, TEXT
--   [4] CKCD     exit relief length (出口修缘长度), degrees, TEXT
------------------------------------------------------------------------------
CREATE TABLE xiuyuanchangdu (
    ID INTEGER PRIMARY KEY, Z2MIN INTEGER, Z2MAX INTEGER,
    RKCD TEXT, CKCD TEXT
);

INSERT INTO xiuyuanchangdu VALUES
    (1,   0,  30, '6',   '4'),
    (2,  30,  40, '4.5', '3'),
    (3,  40,  50, '3.6', '2.4'),
    (4,  50,  63, '2.9', '1.9'),
    (5,  63,  80, '2.3', '1.5'),
    (6,  80, 100, '1.8', '1.2'),
    (7, 100, 125, '1.5', '1'),
    (8, 125, 999, '1.2', '0.8');
