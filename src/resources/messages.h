// The program's message texts. Sources are UTF-8; the compiler stores them in
// code page 932, as the program shows them.
#pragma once

// Settings file.
#define MSG_SETTINGS_BROKEN "設定ファイルが壊れているか、または見つかりません。"

// Directories.
#define MSG_FOLDER_CREATE_FAILED " のフォルダ作成に失敗しました。"
#define MSG_FILE_IN_THE_WAY " - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"

// A path that does not fit the platform's 260 bytes.
#define MSG_PATH_TOO_LONG " - パス名が長すぎるため処理できません。"
