#include "error_text.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <curl/curl.h>

namespace vz::platform {

std::string errnoText(int error)
{
    static constexpr std::pair<int, const char*> kTexts[] = {
        {ENOSPC, "ディスクの空きがありません（ENOSPC）"},
        {EDQUOT, "ディスクの使用量の上限を超えました（EDQUOT）"},
        {EFBIG, "ファイルの大きさの上限を超えました（EFBIG）"},
        {EACCES, "アクセスが許可されていません（EACCES）"},
        {EPERM, "操作が許可されていません（EPERM）"},
        {EROFS, "読み取り専用のファイルシステムです（EROFS）"},
        {ENOENT, "ファイルまたはフォルダがありません（ENOENT）"},
        {ENOTDIR, "途中の名前がフォルダではありません（ENOTDIR）"},
        {EISDIR, "同じ名前のフォルダがあります（EISDIR）"},
        {EEXIST, "すでにあります（EEXIST）"},
        {ENAMETOOLONG, "名前が長すぎます（ENAMETOOLONG）"},
        {ELOOP, "シンボリックリンクが多すぎます（ELOOP）"},
        {EMFILE, "開いているファイルが多すぎます（EMFILE）"},
        {ENFILE, "システムで開いているファイルが多すぎます（ENFILE）"},
        {EIO, "入出力エラーです（EIO）"},
        {EPIPE, "書き込み先が閉じられました（EPIPE）"},
        {ENOTEMPTY, "フォルダが空ではありません（ENOTEMPTY）"},
        {EBUSY, "使用中です（EBUSY）"},
        {EXDEV, "別のファイルシステムへは移せません（EXDEV）"},
        {ENOMEM, "メモリが足りません（ENOMEM）"},
        {EINVAL, "引数が正しくありません（EINVAL）"},
        {EWOULDBLOCK, "使用中です（EWOULDBLOCK）"},
    };
    for (const auto& [number, text] : kTexts) {
        if (number == error) {
            return text;
        }
    }
    // Rare ones keep the system's own words, marked as such, rather than no cause at all.
    return "システムのエラー " + std::to_string(error) + "（" + std::strerror(error) + "）";
}

std::string curlErrorText(int code)
{
    static constexpr std::pair<CURLcode, const char*> kTexts[] = {
        {CURLE_UNSUPPORTED_PROTOCOL, "この種類のアドレスは取得できません"},
        {CURLE_URL_MALFORMAT, "アドレスの形式が正しくありません"},
        {CURLE_COULDNT_RESOLVE_PROXY, "プロキシの名前を解決できません"},
        {CURLE_COULDNT_RESOLVE_HOST, "サーバーの名前を解決できません"},
        {CURLE_COULDNT_CONNECT, "サーバーに接続できません"},
        {CURLE_WEIRD_SERVER_REPLY, "サーバーの応答が正しくありません"},
        {CURLE_REMOTE_ACCESS_DENIED, "サーバーにアクセスを拒否されました"},
        {CURLE_PARTIAL_FILE, "受信の途中で接続が切れました"},
        {CURLE_OPERATION_TIMEDOUT, "時間切れです"},
        {CURLE_SSL_CONNECT_ERROR, "TLS の接続に失敗しました"},
        {CURLE_TOO_MANY_REDIRECTS, "転送先の指示が多すぎます"},
        {CURLE_GOT_NOTHING, "サーバーから何も返ってきません"},
        {CURLE_SEND_ERROR, "送信中に接続が切れました"},
        {CURLE_RECV_ERROR, "受信中に接続が切れました"},
        {CURLE_PEER_FAILED_VERIFICATION, "サーバーの証明書を確かめられません"},
        {CURLE_BAD_CONTENT_ENCODING, "圧縮された本文を戻せません"},
        {CURLE_FILESIZE_EXCEEDED, "大きさの上限を超えています"},
        {CURLE_FILE_COULDNT_READ_FILE, "ファイルを読めません"},
        {CURLE_ABORTED_BY_CALLBACK, "中止しました"},
        {CURLE_WRITE_ERROR, "受け取った本文を書き込めません"},
        {CURLE_OUT_OF_MEMORY, "メモリが足りません"},
        {CURLE_HTTP2, "HTTP/2 の通信に失敗しました"},
        {CURLE_HTTP2_STREAM, "HTTP/2 のストリームが失敗しました"},
        {CURLE_LOGIN_DENIED, "ログインを拒否されました"},
        {CURLE_FAILED_INIT, "転送を準備できません"},
    };
    for (const auto& [number, text] : kTexts) {
        if (number == code) {
            return std::string(text) + "（" + std::to_string(code) + "）";
        }
    }
    return "取得に失敗しました（libcurl " + std::to_string(code) + "）";
}

// The meaning in words, so a report need not be looked up. HTTP/2 answers carry no reason phrase
// of their own, so the server's is not used.
std::string httpStatusText(long status)
{
    static constexpr std::pair<long, const char*> kReasons[] = {
        {400, "要求が正しくありません"},     {401, "認証が必要です"},
        {403, "アクセスが禁止されています"}, {404, "見つかりません"},
        {405, "許可されていない方法です"},   {407, "プロキシの認証が必要です"},
        {408, "要求が時間切れです"},         {410, "削除されました"},
        {429, "要求が多すぎます"},           {451, "法的な理由で公開されていません"},
        {500, "サーバー内部のエラーです"},   {501, "実装されていません"},
        {502, "ゲートウェイのエラーです"},   {503, "サービスを利用できません"},
        {504, "ゲートウェイが時間切れです"},
    };
    std::string text = "HTTP ステータス " + std::to_string(status);
    for (const auto& [code, reason] : kReasons) {
        if (code == status) {
            text += std::string("（") + reason + "）";
        }
    }
    return text;
}

} // namespace vz::platform
