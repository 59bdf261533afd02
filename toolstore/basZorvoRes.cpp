#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QMessageBox::information(nullptr, QStringLiteral("注意事项"),
            QStringLiteral("ZorvoResFLV 是 Zorvo.FLV 的模组\r\n所以 ZorvoResFLV 无法被单独执行"));
        return 0;
    }
    return 0;
}
