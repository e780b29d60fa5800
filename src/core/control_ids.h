#pragma once
// Control ids as named constants. The values are the dialog-template ids, so the code reads as words
// and still matches the templates and the scenario scripts.

namespace mivo::ids {

namespace window {
inline constexpr int tabs = 1001;
inline constexpr int about = 1002;
inline constexpr int encode = 1003;
inline constexpr int exit = 1004;
inline constexpr int status = 1005;
inline constexpr int addToQueue = 1006;
} // namespace window

namespace main {
inline constexpr int resetButton = 1101;        // "reset GUI to default"
inline constexpr int dvdCompliantButton = 1102; // "make DVD compliant"
inline constexpr int encoderInfoButton = 1103;  // "Dazuzer info"
inline constexpr int avisynthInfoButton = 1104;
inline constexpr int dgdecodeInfoButton = 1105;

inline constexpr int inputFileButton = 1110;
inline constexpr int outputFileButton = 1111;
inline constexpr int logFileButton = 1112;
inline constexpr int loadIniButton = 1113;
inline constexpr int saveIniButton = 1114;
inline constexpr int loadMivoIniButton = 1115;
inline constexpr int saveMivoIniButton = 1116;

inline constexpr int averageBitrateRadio = 1120;
inline constexpr int fileLengthRadio = 1121;
inline constexpr int fileLengthEdit = 1122;
inline constexpr int averageBitrateEdit = 1123;
inline constexpr int maxBitrateEdit = 1124;
inline constexpr int allFramesButton = 1125;
inline constexpr int startFrameEdit = 1126;
inline constexpr int endFrameEdit = 1127;

inline constexpr int profileFastRadio = 1130;
inline constexpr int profileNormalRadio = 1131;
inline constexpr int profileBestRadio = 1132;

inline constexpr int aspect1to1Radio = 1133;
inline constexpr int aspect4to3Radio = 1134;
inline constexpr int aspect16to9Radio = 1135;
inline constexpr int aspect221to1Radio = 1136;
inline constexpr int aspectPanScanRadio = 1137; // "4:3 PanScan"

inline constexpr int dcPrecision8Radio = 1140;
inline constexpr int dcPrecision9Radio = 1141;
inline constexpr int dcPrecision10Radio = 1142;
inline constexpr int dcPrecision11Radio = 1143;

inline constexpr int smpCheck = 1150;
inline constexpr int pulldownCheck = 1151; // "3:2 pulldown"
inline constexpr int sceneChangeCheck = 1152;
inline constexpr int autoGopCheck = 1153;
inline constexpr int autoGopLengthEdit = 1154;
inline constexpr int autoGopLengthUpDown = 1155;
inline constexpr int closedGopsCheck = 1156;
inline constexpr int onePassVbrCheck = 1157;

// Movie information, filled from the open source.
inline constexpr int frameCountInfo = 1160;
inline constexpr int frameSizeInfo = 1161; // "width x height"
inline constexpr int frameRateInfo = 1162; // "fps / format"
inline constexpr int movieSecondsInfo = 1163;
inline constexpr int movieHmsInfo = 1164;
inline constexpr int encodeSecondsInfo = 1165;
inline constexpr int encodeHmsInfo = 1166;
inline constexpr int encodeFramesInfo = 1167;
} // namespace main

namespace settings1 {
inline constexpr int autoDetectRadio = 1201;
inline constexpr int progressiveRadio = 1202;
inline constexpr int interlacedRadio = 1203;
inline constexpr int dvSourceRadio = 1204; // "Digital Video source"
inline constexpr int tffRadio = 1205;
inline constexpr int bffRadio = 1206;
inline constexpr int bFramesEdit = 1207;
inline constexpr int gopLengthEdit = 1208;
inline constexpr int gopLengthUpDown = 1209;
inline constexpr int bFramesUpDown = 1210;
inline constexpr int constantQuantCheck = 1211;
inline constexpr int quantValueEdit = 1212;
inline constexpr int pFactorEdit = 1213;
inline constexpr int checkVbvCheck = 1214; // "check VBV/max bitrate"
inline constexpr int iniListing = 1215;
inline constexpr int bFactorEdit = 1216;
inline constexpr int pFactorUpDown = 1217;
inline constexpr int bFactorUpDown = 1218;
inline constexpr int chromaProgressiveRadio = 1219;
inline constexpr int chromaInterlacedRadio = 1220;
inline constexpr int aqStrengthTrackbar = 1230;
inline constexpr int aqStrengthEdit = 1231;
} // namespace settings1

namespace settings2 {
inline constexpr int iniListing = 1215;
inline constexpr int waitForExitEdit = 1305;
inline constexpr int vbrBiasEdit = 1306;
inline constexpr int vbvCheck = 1307;
inline constexpr int seqEndcodeCheck = 1308;
inline constexpr int shutdownCheck = 1309;
inline constexpr int previewCheck = 1310;
inline constexpr int silentCheck = 1311;
inline constexpr int lastIFrameCheck = 1312;
inline constexpr int scdFileCheck = 1313;
inline constexpr int frameLogCheck = 1314;
inline constexpr int lumGainTrackbar = 1320;
inline constexpr int lumGainEdit = 1321;
inline constexpr int maskTopEdit = 1322;
inline constexpr int maskBottomEdit = 1323;
inline constexpr int maskShiftEdit = 1324;
inline constexpr int mpegLevelCombo = 1325;
inline constexpr int allow3BFramesCheck = 1327;
inline constexpr int colorimetryCombo = 1328;
inline constexpr int intraVlcCombo = 1329;
} // namespace settings2

namespace settings3 {
inline constexpr int iniListing = 1215;
inline constexpr int timecodeHourEdit = 1401;
inline constexpr int timecodeMinuteEdit = 1402;
inline constexpr int timecodeSecondEdit = 1403;
inline constexpr int timecodeFrameEdit = 1404;
inline constexpr int cpuAutoRadio = 1414;
inline constexpr int cpuMmxRadio = 1415;
inline constexpr int cpuSse2Radio = 1416;
inline constexpr int cpuSse3Radio = 1417;
inline constexpr int cpuSsse3Radio = 1418;
inline constexpr int cpuSse4Radio = 1419; // always disabled
inline constexpr int priorityIdleRadio = 1420;
inline constexpr int priorityLowRadio = 1421;
inline constexpr int priorityNormalRadio = 1422;
inline constexpr int priorityHighRadio = 1423;
inline constexpr int avsMemoryEdit = 1424;
inline constexpr int clearPathsButton = 1425;
inline constexpr int useLosslessCheck = 1426;
inline constexpr int losslessPathButton = 1427;
inline constexpr int dbPathButton = 1428;
inline constexpr int losslessEstimate = 1429; // static beside "estimated size:"
inline constexpr int chroma420Radio = 1430;
inline constexpr int chroma422Radio = 1431;
inline constexpr int chroma444Radio = 1432; // always disabled
inline constexpr int frameWidthEdit = 1433; // the encoder's output size; both empty: the source's
inline constexpr int frameHeightEdit = 1434;
} // namespace settings3

namespace matrix {
inline constexpr int builtInRadio = 1501;
inline constexpr int customRadio = 1502;
inline constexpr int builtInCombo = 1503;
inline constexpr int loadCustomButton = 1504;
inline constexpr int saveMtxButton = 1505;
inline constexpr int saveCqmButton = 1506;
inline constexpr int adaptiveMatrixCheck = 1507;

// The two 8x8 grids: field first + 8 * row + col holds row `row`, column `col` (both from 0).
inline constexpr int gridSize = 8;
inline constexpr int intraFirst = 2001;
inline constexpr int intraLast = 2064;
inline constexpr int nonIntraFirst = 2101;
inline constexpr int nonIntraLast = 2164;
constexpr int intraCell(int row, int col) {
    return intraFirst + gridSize * row + col;
}
constexpr int nonIntraCell(int row, int col) {
    return nonIntraFirst + gridSize * row + col;
}
} // namespace matrix

// Controls that stand with the same id on the Chapters, Zones and PanScan pages.
namespace preview {
inline constexpr int picture = 1600;                // the preview area
inline constexpr int currentFrameEdit = 1603;       // Chapters and Zones only; PanScan has its own
inline constexpr int stepBackButton = 1605;         // "<"
inline constexpr int stepForwardButton = 1606;      // ">"
inline constexpr int smallStepBackButton = 1607;    // "<<"
inline constexpr int smallStepForwardButton = 1608; // ">>"
inline constexpr int largeStepBackButton = 1609;    // "<<<"
inline constexpr int largeStepForwardButton = 1610; // ">>>"
inline constexpr int slider = 1611;
// The stepping buttons and the slider: the preview navigation every preview page routes the same way.
inline constexpr int kNavigation[] = {stepBackButton,
                                      stepForwardButton,
                                      smallStepBackButton,
                                      smallStepForwardButton,
                                      largeStepBackButton,
                                      largeStepForwardButton,
                                      slider};
} // namespace preview

namespace chapters {
inline constexpr int setStartButton = 1601;
inline constexpr int setEndButton = 1602;
inline constexpr int chapterList = 1604;
inline constexpr int importButton = 1612;
inline constexpr int exportButton = 1613;
inline constexpr int clearListButton = 1614;
inline constexpr int addButton = 1615;
inline constexpr int removeButton = 1616;
inline constexpr int scanButton = 1617; // "create SCD chapter list" / "stop scanning"
} // namespace chapters

namespace zones {
inline constexpr int zoneList = 1702;
inline constexpr int factorEdit = 1711;
inline constexpr int setZoneButton = 1712;
inline constexpr int removeZoneButton = 1713;
inline constexpr int clearListButton = 1714;
inline constexpr int createBitmapButton = 1715;
} // namespace zones

namespace panscan {
inline constexpr int currentFrameEdit = 1811;
inline constexpr int horizontalEdit = 1812;
inline constexpr int verticalEdit = 1813; // always disabled
inline constexpr int windowWidthEdit = 1814;
inline constexpr int windowHeightEdit = 1815;
inline constexpr int importButton = 1816;
inline constexpr int exportButton = 1817;
inline constexpr int clearListButton = 1818;
inline constexpr int addButton = 1819;
inline constexpr int removeButton = 1820;
inline constexpr int positionList = 1821;
inline constexpr int horizontalLeftButton = 1822;  // "<" of "horizontal"
inline constexpr int horizontalRightButton = 1823; // ">" of "horizontal"
inline constexpr int verticalLeftButton = 1824;    // always disabled
inline constexpr int verticalRightButton = 1825;   // always disabled
} // namespace panscan

namespace queue {
inline constexpr int jobList = 1901;     // one line a job: number, state, output, a failure's reason
inline constexpr int startButton = 1902; // "start queue"
inline constexpr int stopButton = 1903;  // "stop queue"
inline constexpr int upButton = 1904;    // "move up"
inline constexpr int downButton = 1905;  // "move down"
inline constexpr int removeButton = 1906;
inline constexpr int retryButton = 1907;
inline constexpr int progressInfo = 1908; // where the running job stands
inline constexpr int runnerInfo = 1909;   // whether the queue runs, and how the last run ended
} // namespace queue

namespace disc {
inline constexpr int folderButton = 1951;    // the DVD-Video folder; its label shows the folder
inline constexpr int imageButton = 1952;     // the ISO image beside the folder
inline constexpr int audioFileButton = 1953; // an audio file instead of the source's own audio
inline constexpr int audioTrackEdit = 1954;  // the source's audio track, 1 to 8
inline constexpr int audioTrackUpDown = 1955;
inline constexpr int noDiscButton = 1956;      // forgets the folder and the image
inline constexpr int sourceAudioButton = 1957; // forgets the audio file
inline constexpr int audioInfo = 1958;         // what the disc does with the audio
inline constexpr int toolsInfo = 1959;         // whether the tools of the disc steps are there
} // namespace disc

} // namespace mivo::ids
