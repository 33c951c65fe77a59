// An outside project: only installed headers and libraries.
#include <qz/PpsObject>
#include <qz/system/Global>

#include <cstdio>

int main()
{
    const QByteArray text = qz::PpsObject::encode({{QStringLiteral("k"), QStringLiteral("v")}});
    std::printf("libqzsystem %s: %s", qz::system::libraryVersion(), text.constData());
    return text == "k::v\n" ? 0 : 1;
}
