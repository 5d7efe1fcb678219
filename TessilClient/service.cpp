// Program entry of TessilCPH.
int main()
{
    return 0;
}
