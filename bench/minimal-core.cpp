// The smallest Qt program that prints a line: the yardstick for the start of
// quorvel-cli, which must load no more than a console program needs.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Quorvel\n";
    return 0;
}
