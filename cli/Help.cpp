#include "cli/Commands.h"

namespace cli {

QString helpText()
{
    return QStringLiteral(R"(用法：zorvo 工作 来源 [选项]

不经过视窗，执行 Zorvo.FLV 的剪辑与转档工作。进度写在标准错误输出，
完成的档案路径（每行一个）写在标准输出。

工作：
  crop SOURCE --marks "起点-终点 起点-终点" [--pieces] [-o TARGET|DIR]
        不经转档，把标记区段（以画格计，与标记文字相同）接合为一个新档案；
        加上 --pieces 则每个区段存成一个编号的档案（-o 是资料夹）
  split SOURCE --parts N | --seconds N | --kb N | --range A-B [-o DIR]
        不经转档，把影片平均切成 N 段、每段 N 秒、每段 N KB，
        或切出 A 到 B 秒之间的一段
  join A B … -o TARGET
        不经转档，把同一种格式的档案依序合并为一个新档案
  fix SOURCE -o TARGET
        修复无法播放、无法跳转或时间不正确的 FLV（及 MPG 等），另存新档
  snap SOURCE --at S | --count N | --every S [--from A --to B]
       [--format jpg|png|gif] [-o DIR]
        在 S 秒截一张图，或在整部影片（或 A 到 B 秒之间）平均截 N 张，
        或每隔 S 秒截一张
  encode SOURCE -o TARGET [--size WxH] [--rate R] [--vbitrate K]
         [--arate HZ] [--abitrate K] [--channels 1|2]
        重新编码转档，目标格式由 TARGET 的副档名决定
  keyframes SOURCE
        列出关键画格的时间（秒），每行一个；无损剪辑的区段从这些时间开始

共同选项：
  -o, --output PATH   目标档案或资料夹（预设为来源档案所在的资料夹）
  --force             目标档案已经存在时覆盖它（不加则绝不覆盖）
  -h, --help          显示这个说明

结束代码：
  0    全部的档案已经完成，并且通过检查
  1    工作执行了，但没有做出正确的档案（原因写在标准错误输出）
  2    命令列有误
  3    来源档案或参数无法使用，没有执行任何工作
  4    目标档案已经存在，而没有加上 --force
  130  被 Ctrl+C（SIGINT）或 SIGTERM 中止；工作的暂存档案都已删除
)");
}

} // namespace cli
