#include "app/zol5300/usage.h"

namespace zol::app {

namespace {

constexpr const char* kWhole =
    "用法：zol5300 COMMAND [選項]\n"
    "繳費明細表列印（郵政轉帳\\臨櫃明細表）的命令列程式，不開視窗。\n"
    "\n"
    "命令：\n"
    "  setup BASE [--sample] [--args \"a/b/c\"]\n"
    "      把 BASE 設為套件資料夾並建立桌面選單項目\n"
    "  report BASE [選項]\n"
    "      執行一次報表，寫出 BASE/rpt/rep_5300.TXT\n"
    "  find BASE TEXT\n"
    "      列出最近一次報表中含有 TEXT 的行\n"
    "  sampledb BASE [--students N] [--seed S]\n"
    "      寫入範例學校資料庫 BASE/mdb/ZOL.mdb\n"
    "  sql DBFILE [--translate] [--no-cache] \"SQL\"\n"
    "      經由資料層執行一道 Access 語法的 SQL\n"
    "  serve BASE [--listen ADDR:PORT] [--users FILE] [--tls-cert FILE --tls-key FILE]\n"
    "             [--printer QUEUE] [--runs DIR]\n"
    "      以網頁提供給辦公室的瀏覽器使用\n"
    "  serve-user add|remove|list [NAME] [--users FILE]\n"
    "      管理網頁的登入帳號\n"
    "\n"
    "  --help      顯示這段說明\n"
    "  --version   顯示版本\n"
    "\n"
    "各命令的說明：zol5300 COMMAND --help；完整說明：man zol5300。\n";

constexpr const char* kSetup =
    "用法：zol5300 setup BASE [--sample] [--args \"a/b/c\"]\n"
    "把 BASE 設為套件資料夾：建立 BASE/exe 與 BASE/rpt，把 BASE/exe/Zol5300P1 與\n"
    "BASE/exe/zol5300 連結到安裝的程式（不能建立連結的資料夾則複製，程式更新後請再執行一次），\n"
    "並在 ~/.local/share/applications/ 寫入選單項目「繳費明細表列印（資料夾名稱）」；\n"
    "較舊的選單項目會一併更新。再執行一次不會改變任何東西。\n"
    "\n"
    "  --sample        BASE/mdb/ZOL.mdb 不存在時寫入範例學校資料庫\n"
    "  --args \"a/b/c\"  選單項目啟動視窗時的三個啟動欄位（預設 1/1/1）\n"
    "  --help          顯示這段說明\n"
    "\n"
    "結束碼：0 完成，2 BASE 不是資料夾或無法寫入，4 安裝不完整或無法寫入選單項目。\n";

constexpr const char* kReport =
    "用法：zol5300 report BASE [選項]\n"
    "執行一次報表，如同視窗的「預覽列印」：檢查條件、執行查詢並寫出 BASE/rpt/rep_5300.TXT。\n"
    "\n"
    "條件（與查詢視窗的欄位相同）：\n"
    "  --tranday ROC        收款日期（收款日期清單中的一項，例如 115/02/24）\n"
    "  --tranday2 ROC       收款日期 至\n"
    "  --payday1 ROC        實(扣)繳日期，如在遮罩欄位中輸入\n"
    "  --payday2 ROC        實(扣)繳日期 至\n"
    "  --grade T            年級別\n"
    "  --class1 T, --class2 T    班別、班別 至\n"
    "  --seat1 T, --seat2 T      座號、座號 至\n"
    "  --stdno1 T, --stdno2 T    學號、學號 至\n"
    "  --preway T           預繳方式（轉帳或臨櫃）\n"
    "  --methods 1,2,3      繳費方式：1 轉帳、2 臨櫃、3 現金（不勾「全部」）\n"
    "  --paystas T          繳費狀況（已繳或未繳）\n"
    "  --groups ID,..       只選這些繳費群組\n"
    "  --items ID,..        只選這些繳費項目\n"
    "  --statuses CODE,..   只選這些身分別\n"
    "  --merged             班級合併列印\n"
    "\n"
    "輸出：\n"
    "  --sql                只印出兩道 SQL，不執行\n"
    "  --show               在終端機印出第 1 頁\n"
    "  --page N             在終端機印出第 N 頁\n"
    "  --print              直接在預設印表機列印（會問「全校」的問題）\n"
    "  --yes                對「全校」的問題回答是\n"
    "  --pdf FILE           把整份報表寫成 PDF 檔\n"
    "  --xlsx FILE          把這次的資料寫成 Excel 活頁簿，不寫報表檔\n"
    "  --print-date YYYY-MM-DD  報表上的列印日期\n"
    "  --no-cache           這次從 Access 檔重新讀取，不用也不動快取\n"
    "  --find TEXT          寫完後印出含有 TEXT 的行（同 zol5300 find）\n"
    "  --help               顯示這段說明\n"
    "\n"
    "結束碼：0 已寫出，1 查無資料，2 條件或選項不合，3 「全校」的問題回答否，\n"
    "4 資料庫或檔案錯誤。\n";

constexpr const char* kFind =
    "用法：zol5300 find BASE TEXT\n"
    "在最近一次寫出的報表 BASE/rpt/rep_5300.TXT 中尋找 TEXT，如同預覽視窗的 Ctrl+F：\n"
    "每一個含有 TEXT 的行印成「page N line M: 該行」（M 與預覽相同，不算控制行）。\n"
    "英文字母不分大小寫，金額有無千分位逗號都算相符。\n"
    "\n"
    "  --help   顯示這段說明\n"
    "\n"
    "結束碼：0 找到，1 找不到，4 報表檔無法讀取。\n";

constexpr const char* kSampledb =
    "用法：zol5300 sampledb BASE [--students N] [--seed S]\n"
    "寫入範例學校資料庫 BASE/mdb/ZOL.mdb（寫完才取代舊檔）並建立 BASE/rpt。\n"
    "\n"
    "  --students N   學生人數（1 到 1000000，預設 1200）\n"
    "  --seed S       亂數種子（預設 1），同一種子寫出同一所學校\n"
    "  --help         顯示這段說明\n";

constexpr const char* kSql =
    "用法：zol5300 sql DBFILE [--translate] [--no-cache] \"SQL\"\n"
    "經由程式的資料層執行一道 Access 語法的 SQL，印出程式所看到的各行（以 Tab 分欄）。\n"
    "DBFILE 可以是 Access/Jet 4 檔或 SQLite 檔。\n"
    "\n"
    "  --translate   只印出轉成 SQLite 語法的 SQL，不執行\n"
    "  --no-cache    這次從 Access 檔重新讀取，不用也不動快取\n"
    "  --help        顯示這段說明\n";

constexpr const char* kServe =
    "用法：zol5300 serve BASE [--listen ADDR:PORT] [--users FILE]\n"
    "                         [--tls-cert FILE --tls-key FILE] [--printer QUEUE] [--runs DIR]\n"
    "以網頁提供套件資料夾 BASE 的報表給辦公室各電腦的瀏覽器；須以帳號密碼登入\n"
    "（帳號以 zol5300 serve-user 建立）。按 Ctrl+C 或送出 SIGTERM 結束。\n"
    "每個要求在標準錯誤輸出記一行：時間、帳號、方法、路徑（不含參數值）、狀態、毫秒。\n"
    "登入後是查詢畫面（與查詢視窗相同的欄位、清單與檢查），預覽列印後是預覽頁面，\n"
    "可換頁、尋找、縮放，並下載 PDF、Excel 與報表檔；網頁執行的報表不寫入 BASE/rpt。\n"
    "\n"
    "  --listen ADDR:PORT   等候連線的位址與埠（預設 127.0.0.1:8053，只有本機能連；\n"
    "                       0.0.0.0:8053 讓區域網路上的電腦連線；埠 0 由系統挑選）\n"
    "  --users FILE         帳號檔（預設 root 為 /etc/zol5300/serve-users，其他帳號為\n"
    "                       $XDG_CONFIG_HOME/zol5300/serve-users，未設定時為\n"
    "                       ~/.config/zol5300/serve-users）\n"
    "  --tls-cert FILE      以 HTTPS 提供：憑證檔（PEM）\n"
    "  --tls-key FILE       憑證的私鑰檔（PEM）\n"
    "  --printer QUEUE      在這個 CUPS 印表機佇列（lpstat -p 列出）列印，不把 PDF 交給瀏覽器\n"
    "  --runs DIR           各登入的報表暫存資料夾建在這裡（預設 $RUNTIME_DIRECTORY/runs，\n"
    "                       未設定時在 $TMPDIR 或 /tmp 下新建一個）\n"
    "  --help               顯示這段說明\n"
    "\n"
    "閒置 30 分鐘的登入會失效；登入失敗後，同一帳號或同一電腦須等候的時間每次加倍。\n"
    "沒有 TLS 而在本機以外的位址等候時，密碼會以明文經過網路，啟動時會提醒一次。\n"
    "\n"
    "Debian 套件把它裝成系統服務 zol5300-serve（安裝後未啟用）：在 /etc/zol5300/serve.conf\n"
    "填入 BASE=套件資料夾（與 LISTEN、USERS、TLS_CERT、TLS_KEY、PRINTER），再執行\n"
    "systemctl enable --now zol5300-serve；服務以帳號 zol5300 執行，帳號檔為\n"
    "/var/lib/zol5300/users。詳見 man zol5300 的 SERVE 一節。\n"
    "\n"
    "結束碼：0 已結束，2 選項不合、帳號檔不能用或無法在該位址等候。\n";

constexpr const char* kServeUser =
    "用法：zol5300 serve-user add NAME [--users FILE]\n"
    "      zol5300 serve-user remove NAME [--users FILE]\n"
    "      zol5300 serve-user list [--users FILE]\n"
    "管理 zol5300 serve 的登入帳號。add 新增帳號或變更其密碼：密碼在終端機上輸入兩次\n"
    "（不顯示），或從標準輸入讀取一行（不是終端機時）；至少 8 個位元組。\n"
    "帳號名稱只能用英文字母、數字、「.」、「_」與「-」，至多 32 個字元。\n"
    "帳號檔只有本帳號能讀寫（0600），密碼以 yescrypt 雜湊保存；執行中的 serve 會自動\n"
    "讀取變更，刪除的帳號其登入隨即失效。\n"
    "\n"
    "服務 zol5300-serve 的登入帳號以系統帳號 zol5300 管理（帳號檔須屬於讀取它的帳號，\n"
    "以 root 執行時會拒絕而不改動）：\n"
    "  sudo -u zol5300 zol5300 serve-user add NAME --users /var/lib/zol5300/users\n"
    "\n"
    "  --users FILE   帳號檔（預設同 zol5300 serve）\n"
    "  --help         顯示這段說明\n"
    "\n"
    "結束碼：0 完成，2 選項、名稱或密碼不合，4 帳號檔無法讀寫。\n";

}  // namespace

const char* usage_text(std::string_view command) {
    const struct {
        std::string_view name;
        const char* text;
    } texts[] = {{"", kWhole},      {"setup", kSetup},         {"report", kReport},
                 {"find", kFind},   {"sampledb", kSampledb},   {"sql", kSql},
                 {"serve", kServe}, {"serve-user", kServeUser}};
    for (const auto& t : texts)
        if (t.name == command) return t.text;
    return nullptr;
}

void print_usage(std::string_view command, std::FILE* out) {
    const char* text = usage_text(command);
    std::fputs(text ? text : kWhole, out);
}

}  // namespace zol::app
